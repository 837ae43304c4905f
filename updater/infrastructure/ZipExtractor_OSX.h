#pragma once

#include "updater/infrastructure/ZipExtractor.h"

class Logger;

// Unpacks with the system's unzip, overwriting files that an earlier
// unpacking left in the folder. The tool never waits for an answer on its
// input, so an existing file cannot hold it up until the time limit.
//
// Threads: any thread, one at a time (a pool thread for the local store and
// for the Windows installer update); blocks for at most kTimeLimitMs.
class ZipExtractor_OSX : public ZipExtractor {
public:
    explicit ZipExtractor_OSX(QObject* parent = nullptr);
    // With another program in unzip's place, for tests.
    ZipExtractor_OSX(const QString& program, QObject* parent);

    bool extract(QFileInfo archive, QString& folder) override;
    // The last extract() failed because unzip ran out of time.
    bool timedOut() const { return timedOut_; }

    static constexpr int kTimeLimitMs = 30000;

private:
    QString program_;
    Logger* logger_;
    bool timedOut_ = false;
};
