// Feeds arbitrary bytes to the download-choices client as the answer to every
// request (product lines, choices, artifacts, artifact infos); reading must
// end without crashing, and every record it returns is owned and freed here.
// A document that links to itself is followed once per link, so the work
// stays bounded by its size.
#include "updater/services/DownloadChoice.h"
#include "updater/services/DownloadChoiceArtifact.h"
#include "updater/services/DownloadChoicesRemoteClient.h"
#include "updater/services/fuzz/FuzzDoubles.h"

#include <QCoreApplication>
#include <QEvent>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "catalogue_fuzzer";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);

    const QString body = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<int>(size));
    for (int platform = 0; platform < 3; ++platform) {
        // The client owns its REST client and addresses.
        auto* rest = new EchoRESTClient;
        rest->body = body;
        DownloadChoicesRemoteClient client(rest, platform, new FixedServiceUrl(QStringLiteral("https://h/scan")),
                                           new FixedServiceUrl(QStringLiteral("https://h/pra{?pra}")), nullptr);
        QList<DownloadChoice*> choices = client.getDownloadChoices(QStringLiteral("<scanning-output/>"));
        choices += client.readRestrictedDownloadChoices(QStringLiteral(" a&b "));
        for (const DownloadChoice* choice : choices) {
            (void)choice->totalFilesizeText();
            for (const DownloadChoiceArtifact* artifact : choice->artifacts)
                (void)artifact->localFilePath();
        }
        qDeleteAll(choices);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
