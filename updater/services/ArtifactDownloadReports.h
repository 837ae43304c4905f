#pragma once

#include <QObject>
#include <QString>

// The reports of a download of artifacts, as the artifact downloader sends
// them and the services built on one relay them: the whole run ends with
// exactly one downloadsFinished() or downloadError().
class ArtifactDownloadReports : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    void downloadError();
    // 0 to 100 over the whole run; not reported while its total size is 0.
    void downloadProgress(int percent);
    void nextArtifactHasStarted(QString url);
    void downloadsFinished();
};
