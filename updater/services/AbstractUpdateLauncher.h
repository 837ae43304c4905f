#pragma once

#include <QObject>
#include <QString>

// Starts a newer copy of the updater from the local store. Each operation
// reports whether a copy was started.
class AbstractUpdateLauncher : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual bool launchLatestIfNewer() = 0;
    virtual bool launchLatestIfNewerInOnlineMode() = 0;
    virtual bool isLocalStoreVersionNewer(QString currentVersion, QString localStoreVersion) = 0;
    virtual bool launchLatest() = 0;
    virtual bool launchLatestInOnlineMode() = 0;
    // Why the last copy that was tried could not be started (the system's
    // cause); empty when none was tried or it started.
    virtual QString launchProblem() const { return QString(); }
};
