#pragma once

#include <QFileInfo>
#include <QObject>
#include <QString>

class ZipExtractor_OSX;

// Unpacks a downloaded updater archive and finds the updater executable in
// it. The ZIP extractor is used, not owned.
class SelfUpdateExtractor : public QObject {
    Q_OBJECT
public:
    explicit SelfUpdateExtractor(ZipExtractor_OSX* zipExtractor, QObject* parent = nullptr)
        : QObject(parent)
        , zipExtractor_(zipExtractor)
    {
    }

    // True when the archive was unpacked and the executable is there; its
    // path goes to executablePath (emptied when it is missing).
    virtual bool extract(QFileInfo archive, QString& executablePath) = 0;

protected:
    ZipExtractor_OSX* zipExtractor_;
};
