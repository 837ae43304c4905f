#include "updater/testsupport/ScopedSetting.h"

#include <QSettings>

ScopedSetting::ScopedSetting(const QString& key, const QVariant& value)
    : key_(key)
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Pathwarden"),
                       QStringLiteral("pathwarden-settings"));
    settings.setValue(key, value);
    settings.sync();
}

ScopedSetting::~ScopedSetting()
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Pathwarden"),
                       QStringLiteral("pathwarden-settings"));
    settings.remove(key_);
    settings.sync();
}
