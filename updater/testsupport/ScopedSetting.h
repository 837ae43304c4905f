#pragma once

#include <QString>
#include <QVariant>

// Sets one key of the updater's settings file for the life of the object and
// removes it again afterwards.
class ScopedSetting {
public:
    ScopedSetting(const QString& key, const QVariant& value);
    ~ScopedSetting();
    ScopedSetting(const ScopedSetting&) = delete;
    ScopedSetting& operator=(const ScopedSetting&) = delete;

private:
    QString key_;
};
