#include "updater/infrastructure/PathComponent.h"

#include <QRegularExpression>

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

bool isVersionFolderName(const QString& version)
{
    static const QRegularExpression pattern(QStringLiteral("\\A[0-9]{1,9}(\\.[0-9]{1,9}){0,7}\\z"));
    return pattern.match(version).hasMatch();
}
