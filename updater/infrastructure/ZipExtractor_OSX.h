#pragma once

#include "updater/infrastructure/ZipExtractor.h"

#include <memory>
#include <mutex>

class Logger;

namespace platform {
class ProcessGroupAnchor;
}

// Unpacks with the system's unzip, overwriting files that an earlier
// unpacking left in the folder. The tool never waits for an answer on its
// input, so an existing file cannot hold it up until the time limit.
//
// unzip runs in a process group of its own that ends when we end in any
// way (platform::ProcessGroupAnchor): whatever it left half written is never
// added to by a tool that outlived us.
//
// Threads: extract on any thread, one at a time (the store's thread for the
// local store, a pool thread for the Windows installer update); blocks for
// at most kTimeLimitMs. cancel from any thread, also while extract runs.
class ZipExtractor_OSX : public ZipExtractor {
public:
    explicit ZipExtractor_OSX(QObject* parent = nullptr);
    // With another program in unzip's place, for tests.
    ZipExtractor_OSX(const QString& program, QObject* parent);
    ~ZipExtractor_OSX() override;

    bool extract(QFileInfo archive, QString& folder) override;
    // The last extract() failed because unzip ran out of time.
    bool timedOut() const { return timedOut_; }
    // Why the last extract() failed, for the user; empty after a success.
    QString problem() const { return problem_; }
    // Kills a running unzip with its group and makes every later extract
    // fail at once: the application is ending. Does not block.
    void cancel();

    static constexpr int kTimeLimitMs = 30000;

private:
    bool fail(const QString& problem);

    QString program_;
    Logger* logger_;
    bool timedOut_ = false;
    QString problem_;
    std::mutex mutex_;
    // Guarded by mutex_: the running unzip's group, null while none runs.
    std::unique_ptr<platform::ProcessGroupAnchor> anchor_;
    bool cancelled_ = false;
};
