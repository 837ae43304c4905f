#include "updater/infrastructure/PathComponent.h"

bool isSafePathComponent(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    if (name.trimmed() != name)
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char('\0') || c == QLatin1Char(':'))
            return false;
    }
    return true;
}
