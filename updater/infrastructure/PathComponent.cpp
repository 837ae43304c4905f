#include "updater/infrastructure/PathComponent.h"

#include <QRegularExpression>

bool isSafePathComponent(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    // Blanks and ":" are ordinary characters of a file name here; control
    // characters would garble every log line and listing that shows it.
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

bool isVersionFolderName(const QString& version)
{
    static const QRegularExpression pattern(QStringLiteral("\\A[0-9]{1,9}(\\.[0-9]{1,9}){0,7}\\z"));
    return pattern.match(version).hasMatch();
}
