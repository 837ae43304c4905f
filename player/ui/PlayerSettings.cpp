#include "player/ui/PlayerSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QString>

std::unique_ptr<QSettings> openPlayerSettings()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QCoreApplication::organizationName(),
                                       QCoreApplication::applicationName());
}

void storeParentDirectory(const QString& path, QSettings& settings, const QString& key)
{
    if (path.isEmpty())
        return;
    QDir dir(path);
    if (!dir.cdUp())
        return;
    settings.setValue(key, dir.absolutePath());
}
