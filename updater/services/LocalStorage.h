#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

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
// Ownership: the provider and the extractor are used, not owned. Threads: one
// thread at a time; storeUpdaterArchive blocks while the archive is unpacked
// and runs on a pool thread in the self-update, while nothing else uses the
// store.
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
    // name the folder or file at fault, or that unpacking ran out of time;
    // empty after a success and when the fault lies elsewhere (the archive,
    // unpacking).
    QString storeProblem() const;

private:
    bool failStore(const QString& shortText, const QString& detail, const QString& problem = QString());
    // Writes both keys into the store file; false (logged) when they did not
    // reach the disk as a private file of the user.
    bool rememberStoredCopy(const QString& version, const QString& executablePath);

    // The keys read at construction, and those written since.
    QVariantMap remembered_;
    QString storeProblem_;
    Logger* logger_;
    WorkingDirectoryProvider* workingDirectoryProvider_;
    SelfUpdateExtractor_OSX* extractor_;
};
