#pragma once

#include <QObject>
#include <QString>

// Asks the update server about the running updater and fetches a newer one.
class AbstractSelfUpdateService : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // 0 a newer updater must be downloaded, 1 up to date (or nothing usable
    // was learnt), 2 this updater is too old to update itself,
    // kCheckCancelled the run ended while the check waited for the server:
    // nothing is known, and the caller goes on to nothing.
    virtual int checkSelfUpdate() = 0;
    static constexpr int kCheckCancelled = 3;
    virtual bool isClientTooOldToSelfUpdate() = 0;
    virtual QString getClientTooOldErrorText() = 0;
    virtual void downloadUpdate() = 0;
    virtual bool checkForUpdatesAndRetrieveUrls() = 0;
};
