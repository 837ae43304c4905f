#pragma once

#include <QMutex>
#include <QObject>
#include <QString>

class Logger;

// Names and creates the updater's folders. Every path is absolute, native
// and ends with a separator.
class AbstractWorkingDirectoryProvider : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual QString getWorkingDirectory() = 0;
    virtual QString getLocalStoreDirectory() = 0;
    virtual QString getLocalStoreDirectoryForVersion(const QString& version) = 0;
};

// Threads: any thread may call; the working folder's name is drawn once,
// under a lock, by whichever call comes first.
class WorkingDirectoryProvider : public AbstractWorkingDirectoryProvider {
    Q_OBJECT
public:
    explicit WorkingDirectoryProvider(QObject* parent = nullptr);

    // A braced-UUID folder in the temporary folder, private to the user; made
    // again when it has gone missing. One path per provider, also when the
    // folder cannot be made; a new name is drawn only when something that is
    // not our private folder has taken the name.
    QString getWorkingDirectory() override;
    // <generic data>/Pathwarden/, mode 0700 (by the rule of
    // makePrivateFolder: a link of the user to a private folder of the user
    // serves too). Empty (logged) when it cannot be made the user's private
    // folder: the updater then stores, starts and logs nothing there.
    QString getLocalStoreDirectory() override;
    // Why the last getLocalStoreDirectory() or
    // getLocalStoreDirectoryForVersion() came back empty, naming the folder;
    // empty when the store itself was usable.
    QString localStoreProblem();
    // A fresh, empty <local store>/<version>/, mode 0700. The version must be
    // dot-separated numbers and the store usable; otherwise nothing is
    // touched and the result is empty. Also empty (with localStoreProblem())
    // when the version folder cannot be made the user's private folder.
    QString getLocalStoreDirectoryForVersion(const QString& version) override;

private:
    QString newWorkingDirectoryCandidate() const;
    // A candidate at which nothing exists yet.
    QString freeCandidate() const;
    // Makes the folder private to the user, or accepts one that already is.
    bool ensurePrivateDirectory(const QString& path) const;

    QMutex mutex_;
    QString workingDirectory_;
    QString localStoreDirectory_;
    QString localStoreProblem_;
    bool creationFailureLogged_ = false;
    Logger* logger_;
};
