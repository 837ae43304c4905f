#pragma once

#include "updater/services/MacDistribution.h"

#include <QList>
#include <QObject>
#include <QString>

class AbstractRESTClient;
class AbstractServiceUrl;
class DownloadChoice;
class DownloadChoiceArtifact;
class Logger;

// The updater's reader of the update server's catalogue: which product line
// the scanned components belong to, the download choices offered for it, and
// for each choice the archives of the target platform and the packages in
// them. Server answers are read leniently: a missing key reads as empty, 0
// or false, a body that is not JSON is logged and gives an empty result.
//
// Every operation blocks its thread until all of its requests are done;
// nothing is cached between calls. The choices' artifact documents are asked
// for kParallelQueries at a time, on threads of the call's own, the rest one
// after another. The members never change after construction, so any thread
// may call; the download-choice page calls from pool threads.
//
// Ownership: the caller owns the returned choices (and through them their
// artifacts), and the artifacts returned by resolvePlatformArtifactLinks.
// The client owns the REST client and both service addresses handed to it
// and releases them with deferred deletion; the logger belongs to the
// logging hub.
class DownloadChoicesRemoteClient : public QObject {
    Q_OBJECT
public:
    // platform: 0, 1 or 2 (PlatformIdentifier); any other value throws the
    // platform-name error.
    DownloadChoicesRemoteClient(AbstractRESTClient* restClient, int platform,
                                AbstractServiceUrl* productLineScan, AbstractServiceUrl* prereleaseSearch,
                                QObject* parent);
    ~DownloadChoicesRemoteClient() override;

    static constexpr int kParallelQueries = 8;

    // Uploads the scan result and returns the download-choice address of the
    // first product line in the answer; empty when there is none.
    QString getProductLineIdFromComponentScannerXML(const QString& scanResultXml);
    QList<DownloadChoice*> getDownloadChoices(const QString& scanResultXml);
    // One choice per link of the platform's artifacts relation whose
    // artifact document is not empty, in document order.
    QList<DownloadChoice*> readDownloadChoicesFromServer(const QString& url);
    // The choices that the access code unlocks; the trimmed code is sent
    // percent-encoded as the "pra" query value.
    QList<DownloadChoice*> readRestrictedDownloadChoices(const QString& accessCode);
    QList<DownloadChoiceArtifact*> resolvePlatformArtifactLinks(const QString& url);
    QList<MacDistribution> resolveArtifactInfosLinks(const QString& url);

private:
    AbstractRESTClient* restClient_;
    int platform_;
    AbstractServiceUrl* productLineScan_;
    AbstractServiceUrl* prereleaseSearch_;
    Logger* logger_;
};
