#pragma once

#include <QList>
#include <QString>

class DownloadChoiceArtifact;

// One entry the user can tick on the download-choice page: a name, the total
// size of its files for the target platform, an optional web page and the
// archives to download. Not a QObject; no locking.
//
// Ownership: the choice owns its artifacts and deletes them; whoever receives
// a list of choices owns the choices. Not copyable, so an artifact is never
// deleted twice.
class DownloadChoice {
public:
    DownloadChoice(QString name, QString moreInfoLink, QList<DownloadChoiceArtifact*> artifacts,
                   quint64 totalFilesize);
    ~DownloadChoice();
    DownloadChoice(const DownloadChoice&) = delete;
    DownloadChoice& operator=(const DownloadChoice&) = delete;

    // The page's size column: mebibytes below 2^30 bytes, else gibibytes,
    // two decimals in the system locale, then the translated unit.
    QString totalFilesizeText() const;

    QString name;
    quint64 totalFilesize = 0;
    QString moreInfoLink;
    QList<DownloadChoiceArtifact*> artifacts;
};
