#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <mutex>

#include <sys/types.h>

class Logger;

namespace platform {
class ChildProcess;
class ProcessGroupAnchor;
}

// Writes the built-in collector script into the working folder and runs it
// with the system's ruby:
//   ruby -E UTF-8:UTF-8 <working folder>/contextcollector.rb --installerDir <folder> --resultXML <file>
// Its texts (arguments, environment, files, tool output) are UTF-8 whatever
// the locale: under LANG=C ruby would take the paths as raw bytes, and a
// medium path beyond ASCII could not be joined with a medium id or home
// folder beyond ASCII.
// The script's exit status and its "error.log" reach only the log.
//
// The script and the tools it runs form a process group of their own, so that
// a cancel or the deadline ends all of them, not only ruby. A Ctrl+C in the
// terminal, or a signal sent to us, does not reach that group; it ends
// when we end all the same (platform::ProcessGroupAnchor), and the scan ends
// at once when that guard ends on its own.
//
// Threads: start blocks the calling thread (the page calls it from a pool
// thread); one start at a time per object. cancel may be called from any
// thread, also while start runs.
class ContextCollectStarter : public QObject {
    Q_OBJECT
public:
    // workingDirectory ends with a separator.
    ContextCollectStarter(const QString& workingDirectory, QObject* parent);
    ~ContextCollectStarter() override;

    // True when the script ended with status 0 and left the result file.
    virtual bool start(const QString& installerDirPath, const QString& resultXmlPath);
    // Kills a running script with everything it started, and makes every
    // later start fail at once. Does not block.
    void cancel();

    // A scan that has not ended after this long is stopped and fails: a
    // package tool that never answers must not hold the wizard for ever.
    static constexpr int kScanDeadlineMs = 10 * 60 * 1000;

protected:
    // False when the script could not be started in the group.
    bool launchCollector(platform::ChildProcess& process, const QString& installerDirPath,
                         const QString& resultXmlPath, pid_t group);
    // finished: the script ended (rather than ran out of time).
    void reportFailure(const platform::ChildProcess& process, bool finished);

private:
    QString workingDirectory_;
    Logger* logger_;
    std::mutex mutex_;
    // Both guarded by mutex_. anchor_: the running script's process group,
    // null while none runs.
    std::unique_ptr<platform::ProcessGroupAnchor> anchor_;
    bool cancelled_ = false;
};
