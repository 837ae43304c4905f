#pragma once

#include "updater/infrastructure/SelfUpdateExtractor.h"

#include <QSet>

class Logger;

// Unpacks an updater archive next to itself; the executable lies at a fixed
// place below that folder. A copy is refused when unzip reports any failure,
// when the executable is missing, and when it holds a symbolic link (unzip
// restores links) that is absolute or whose target, resolved one name at a
// time from the link's own folder, leaves the unpacking folder or passes
// through a link that does, or that takes more than 40 links to resolve, as
// the kernel counts them; the refused copy is removed, the archive stays.
// The check is linear in the number of links. Relative links that stay
// inside, as a framework's, are kept.
//
// Threads: the caller's; blocks while the archive is unpacked.
class SelfUpdateExtractor_OSX : public SelfUpdateExtractor {
public:
    SelfUpdateExtractor_OSX(ZipExtractor_OSX* zipExtractor, QObject* parent = nullptr);

    bool extract(QFileInfo archive, QString& executablePath) override;
    // True exactly when the file is gone afterwards; false when it was
    // already missing.
    bool removeArchive(QFileInfo archive);
    // The last extract() failed because unzip ran out of time
    // (ZipExtractor_OSX::kTimeLimitMs).
    bool timedOut() const;
    // Why the last extract() failed, for the user; empty after a success.
    QString problem() const { return problem_; }
    // Ends a running unpacking and every later one (ZipExtractor_OSX::cancel).
    void cancel();

    // Relative to the unpacking folder.
    static QString executableRelativePath();

private:
    // Removes the folder's entries whose names are not in before.
    void removeUnpacked(const QString& folder, const QSet<QString>& before);

    Logger* logger_;
    QString problem_;
};
