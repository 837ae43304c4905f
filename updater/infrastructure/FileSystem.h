#pragma once

#include <QDir>
#include <QObject>

class Logger;

// A helper bound to one folder: removes it, makes it, looks for entries in it.
class FileSystem : public QObject {
    Q_OBJECT
public:
    explicit FileSystem(const QDir& directory);

    virtual bool removeRecursively();
    // True only when this call made the folder.
    virtual bool mkdirIfNotExist();
    virtual bool hasFile(const QString& name);
    virtual QDir& getDirectory();

private:
    QDir directory_;
    Logger* logger_;
};
