#pragma once

#include <QObject>
#include <QString>

// Finds out which of the maker's packages the medium carries and which are
// installed; the download-choice page and the test profiles use it.
class AbstractComponentScanner : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Runs the scan; blocks the calling thread until it has ended.
    virtual bool scan() = 0;
    // Ends a running scan at once, and makes every later scan fail at once:
    // the user has cancelled the run. Any thread; does not block.
    virtual void cancel() {}
    virtual QString installerDirPath() = 0;
    // The whole result file of the last scan, as the server receives it.
    virtual QString resultXml() = 0;
    // Where the installer-information file is to be written.
    virtual QString artifactsFilePath() = 0;
};
