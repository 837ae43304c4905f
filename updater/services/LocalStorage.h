#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

#include <atomic>

class Logger;
class SelfUpdateExtractor_OSX;
class WorkingDirectoryProvider;

// Keeps downloaded copies of the updater, one folder per version below the
// local store, and remembers the newest stored one in an INI file of its own
// ("pathwarden-local-storage", apart from the updater's settings). The keys
// change only when a copy was unpacked and its executable found. That file is
// read through one descriptor by the rule of readUserFile; a file refused
// there is ignored (logged, naming the file and why). The record is always
// written whole below the checked folder and renamed over the name, so that
// whatever else had the name is replaced, never written through.
//
// One store at a time per user: storeUpdaterArchive takes an exclusive lock
// on a file in the store folder (kLockFileName, reached by the rule) and keeps
// it until releaseStore(), once the stored copy was started or could not be;
// a second run of the user waits for it (kLockWaitMs at most). Where the
// store's file system keeps no locks, the lock is a file in the user's
// runtime folder named by the store folder's device and inode; without a
// runtime folder that passes the rule the run stores unlocked. A version that
// another run stored and recorded meanwhile is taken as it is, never
// replaced; a version folder is emptied only once the record no longer names
// it, so that a half-unpacked copy is never recorded nor started, and never
// while a program of the user runs from it (a copy that a run with another
// configuration folder, and so another record, stored and started).
//
// Ownership: the provider and the extractor are used, not owned. Threads: one
// thread at a time; storeUpdaterArchive blocks while it waits for the lock and
// while the archive is unpacked, and runs on a thread of its own in the
// self-update, while nothing else uses the store. cancelStore may come from
// any thread.
class LocalStorage : public QObject {
    Q_OBJECT
public:
    LocalStorage(WorkingDirectoryProvider* workingDirectoryProvider, SelfUpdateExtractor_OSX* extractor,
                 QObject* parent = nullptr);
    ~LocalStorage() override;

    // Copies the archive into a fresh folder for version, unpacks it there and
    // deletes the copy; true when the copy is unpacked and both keys are
    // written. The version must be a dotted number (isVersionFolderName):
    // it names a folder that is emptied, so anything else fails before the
    // disk is touched. A version folder that fails the rule of
    // makePrivateFolder fails the store, named in storeProblem(), before
    // anything is copied or unpacked into it.
    virtual bool storeUpdaterArchive(QString pathToZipArchive, QString version);
    // Empty when nothing was stored yet.
    virtual QString latestVersionInLocalStore();
    // The remembered executable with its links resolved, only when it lies
    // inside the store folder of the remembered version and it and every
    // folder on its way pass the rule of TrustedWay.h; otherwise empty,
    // logged: whoever could change the file or a folder on its way would
    // choose what we start.
    virtual QString pathToLatestVersionInLocalStore();

    // The version whose store folder holds this very program, when it was
    // started from the local store; empty otherwise. Such a copy is the
    // result of a hand-over and must not hand over to that version again.
    QString versionOfRunningCopy();

    // Why the last storeUpdaterArchive failed, in words for the user that
    // name the folder or file at fault and the cause; empty after a success.
    QString storeProblem() const;
    // Why the last pathToLatestVersionInLocalStore found no copy to start;
    // empty when it found one.
    QString startProblem() const;

    // Lets the next run store: the lock taken by storeUpdaterArchive goes.
    void releaseStore();
    // Ends a store under way on another thread, and every later one: its
    // unzip is killed with what it started, a wait for another run's store
    // ends, and nothing is recorded. Does not block.
    void cancelStore();

    static constexpr int kLockWaitMs = 120000;

signals:
    // From the thread that stores: true once it waits for another run's
    // store, false when it goes on after such a wait.
    void waitingForAnotherRun(bool waiting);

public:
    static constexpr const char* kLockFileName = "store.lock";

private:
    // Takes the store's lock, waiting for another run's store; false with
    // storeProblem_ set when it could not be had.
    bool lockStore(const QString& store);
    // The record as the file holds it now.
    void rereadRecord();
    // The resolved executable of the recorded copy of version, or empty with
    // startProblem_ set.
    QString recordedCopy(const QString& version);
    bool failStore(const QString& shortText, const QString& detail, const QString& problem = QString());
    // Writes both keys into the store file; false (logged) when they did not
    // reach the disk as a private file of the user.
    bool rememberStoredCopy(const QString& version, const QString& executablePath);

    // The keys read at construction, and those written since.
    QVariantMap remembered_;
    QString storeProblem_;
    QString startProblem_;
    int lock_ = -1;
    std::atomic<bool> cancelled_{false};
    Logger* logger_;
    WorkingDirectoryProvider* workingDirectoryProvider_;
    SelfUpdateExtractor_OSX* extractor_;
};
