#pragma once

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

// Threads: the working folder's name is fixed by the first call, which must
// come from one thread; later calls may come from any thread.
class WorkingDirectoryProvider : public AbstractWorkingDirectoryProvider {
    Q_OBJECT
public:
    explicit WorkingDirectoryProvider(QObject* parent = nullptr);

    // A braced-UUID folder in the temporary folder, private to the user; made
    // again when it has gone missing.
    QString getWorkingDirectory() override;
    // <generic data>/Pathwarden/
    QString getLocalStoreDirectory() override;
    // A fresh, empty <local store>/<version>/. The version must be a single
    // safe folder name; otherwise nothing is touched and the result is empty.
    QString getLocalStoreDirectoryForVersion(const QString& version) override;

private:
    QString newWorkingDirectoryCandidate() const;
    // Makes the folder private to the user, or accepts one that already is.
    bool ensurePrivateDirectory(const QString& path) const;

    QString workingDirectory_;
    QString localStoreDirectory_;
    Logger* logger_;
};
