#pragma once

#include "updater/infrastructure/ZipExtractor.h"

class Logger;

// Unpacks with the system's unzip, overwriting files that an earlier
// unpacking left in the folder. The tool never waits for an answer on its
// input, so an existing file cannot hold it up until the time limit.
//
// Threads: any thread (the main thread for the local store, a pool thread
// for the Windows installer update); blocks for at most kTimeLimitMs.
class ZipExtractor_OSX : public ZipExtractor {
public:
    explicit ZipExtractor_OSX(QObject* parent = nullptr);

    bool extract(QFileInfo archive, QString& folder) override;

    static constexpr int kTimeLimitMs = 30000;

private:
    Logger* logger_;
};
