#pragma once

#include "updater/infrastructure/SelfUpdateExtractor.h"

class Logger;

// Unpacks an updater archive next to itself; the executable lies at a fixed
// place below that folder.
//
// Threads: the caller's; blocks while the archive is unpacked.
class SelfUpdateExtractor_OSX : public SelfUpdateExtractor {
public:
    SelfUpdateExtractor_OSX(ZipExtractor_OSX* zipExtractor, QObject* parent = nullptr);

    bool extract(QFileInfo archive, QString& executablePath) override;
    // True exactly when the file is gone afterwards; false when it was
    // already missing.
    bool removeArchive(QFileInfo archive);

    // Relative to the unpacking folder.
    static QString executableRelativePath();

private:
    Logger* logger_;
};
