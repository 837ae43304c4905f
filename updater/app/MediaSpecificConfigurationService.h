#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

class Logger;

// The medium's own read-only configuration "Vorncfg.ini". Every getter reads
// the file when called; a missing or unreadable file gives the defaults. The
// file is read only when it is a regular file, and opened without blocking: a
// FIFO or a device under that name (the medium comes from outside) would
// otherwise hold the start-up for ever. Anything else there gives the
// defaults too, with a log line.
class MediaSpecificConfigurationService : public QObject {
    Q_OBJECT
public:
    explicit MediaSpecificConfigurationService(const QString& filePath);

    QString filePath() const;

    QString mandatoryUpdateProductLink();
    bool isMandatoryUpdate();
    bool is32BitAvailable();

    static QString defaultMandatoryUpdateProductLink();

private:
    QVariant value(const QString& key, const QVariant& defaultValue);

    QString filePath_;
    Logger* logger_;
};
