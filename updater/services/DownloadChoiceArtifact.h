#pragma once

#include "updater/services/MacDistribution.h"

#include <QList>
#include <QString>
#include <QUrl>

// One archive to download for the target platform. A plain record: the
// remote client fills it from the server, the artifact downloader sets
// outputDir just before the download starts, the installer-information file
// writes it out. Not a QObject; no locking.
class DownloadChoiceArtifact {
public:
    DownloadChoiceArtifact(QUrl url, quint64 filesize, QString checksum);
    DownloadChoiceArtifact(QUrl url, quint64 filesize, QString checksum, bool replace, bool update, bool upgrade,
                           bool fullUi, bool hidden);

    // The last segment of the address's pretty-decoded text, after the last
    // "/" and cut before the last "?" and then the last "#", then fully
    // percent-decoded. A name that cannot name a file inside the download
    // folder ("", ".", "..", or one holding a slash, a backslash or a
    // control character, also once decoded) gives an empty name.
    static QString fileNameFromUrl(const QUrl& url);

    // False when the address gave no usable file name: such an artifact must
    // not be downloaded.
    bool hasUsableFileName() const;

    // outputDir, one separator and fileName, in native separators. Empty when
    // there is no usable file name, so that the path never names the
    // download folder itself and a download to it fails.
    QString localFilePath() const;

    // fileName after its last "."; the whole name when it has no ".".
    QString fileExtension() const;

    QUrl url;
    quint64 filesize = 0;
    QString outputDir;
    QString fileName;
    QString checksum;
    // Passed through to the product installer; never interpreted here.
    bool replace = false;
    bool update = false;
    bool upgrade = false;
    bool fullUi = false;
    bool hidden = false;
    QList<MacDistribution> distributions;
};
