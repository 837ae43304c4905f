#pragma once

#include <QSettings>

// The medium's own read-only configuration "Vorncfg.ini". Every getter reads
// the file when called; a missing or unreadable file gives the defaults.
class MediaSpecificConfigurationService : public QSettings {
    Q_OBJECT
public:
    explicit MediaSpecificConfigurationService(const QString& filePath);

    QString mandatoryUpdateProductLink();
    bool isMandatoryUpdate();
    bool is32BitAvailable();

    static QString defaultMandatoryUpdateProductLink();
};
