#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// Starts a program that outlives the updater. Implementations report whether
// the process was started; they never wait for it and never throw.
class AbstractDetachedQProcessStarter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // With an empty argument list, program is a whole command line: split at
    // blanks, double quotes grouping (so "open \"/a b/c.pkg\"" starts "open"
    // with one argument). Otherwise program is the executable's path, taken
    // as it stands.
    virtual bool start(QString program, QStringList arguments) = 0;
    // Why the last start failed: the program and the system's cause; empty
    // after a start, or when the implementation cannot tell.
    virtual QString startProblem() const { return QString(); }
};
