#pragma once

#include "updater/services/AbstractUpdateLauncher.h"

class AbstractDetachedQProcessStarter;
class LocalStorage;
class Logger;

// Starts the copy remembered by the local store when its version is newer
// than the running one, handing it this run's installer folder (and, after
// an online self-update, the online-mode switch). A copy that was itself
// started from the store never hands over at start-up, and after a download
// only to a copy stored under a newer version than its own; nothing ever
// starts its own executable. So hand-overs cannot chain without end.
//
// Every operation, also the store's readers, is called through the virtual
// table, so that a test double replacing only launchWithArguments and the
// readers runs the real decisions.
//
// Ownership: the starter and the store are used, not owned. Threads: GUI
// thread; nothing is locked.
class SelfUpdateLauncher : public AbstractUpdateLauncher {
    Q_OBJECT
public:
    SelfUpdateLauncher(AbstractDetachedQProcessStarter* processStarter, LocalStorage* localStorage,
                       QString originalInstallerPath, QObject* parent = nullptr);

    bool launchLatestIfNewer() override;
    bool launchLatestIfNewerInOnlineMode() override;
    // Compares the first three dot-separated parts as base-10 numbers (a part
    // that is not one counts as -1); fewer than three parts on either side is
    // never newer, and later parts are ignored.
    bool isLocalStoreVersionNewer(QString currentVersion, QString localStoreVersion) override;
    bool launchLatest() override;
    bool launchLatestInOnlineMode() override;
    QString launchProblem() const override;
    // Starts the executable directly (no shell) with "--original-installer-path"
    // and the installer folder, then "--force-online-mode" in online mode.
    virtual bool launchWithArguments(QString executablePath, bool onlineMode);

private:
    // Starting ourselves again would only repeat this run.
    bool isRunningExecutable(const QString& path);

    Logger* logger_;
    AbstractDetachedQProcessStarter* processStarter_;
    LocalStorage* localStorage_;
    QString originalInstallerPath_;
    QString launchProblem_;
};
