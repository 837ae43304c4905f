#include "updater/infrastructure/VersionRule.h"

bool isDottedNumberVersion(const QString& version)
{
    if (version.isEmpty() || version.size() > kMaxVersionLength)
        return false;
    bool partHasDigit = false;
    for (const QChar c : version) {
        if (c == QLatin1Char('.')) {
            if (!partHasDigit)
                return false;
            partHasDigit = false;
        } else if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            partHasDigit = true;
        } else {
            return false;
        }
    }
    return partHasDigit;
}
