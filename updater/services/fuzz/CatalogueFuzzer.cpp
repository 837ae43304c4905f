// Feeds arbitrary bytes to the download-choices client as the answer to every
// request (product lines, choices, artifacts, artifact infos); reading must
// end without crashing, and every record it returns is owned and freed here.
#include "updater/infrastructure/AbstractRESTClient.h"
#include "updater/infrastructure/ServiceUrl.h"
#include "updater/services/DownloadChoice.h"
#include "updater/services/DownloadChoiceArtifact.h"
#include "updater/services/DownloadChoicesRemoteClient.h"

#include <QCoreApplication>
#include <QEvent>

#include <cstddef>
#include <cstdint>

namespace {

// Answers every request with the same body; a document that links to
// itself is followed once per link, so the work stays bounded by its size.
class EchoRESTClient : public AbstractRESTClient {
public:
    EchoRESTClient()
        : AbstractRESTClient(nullptr)
    {
    }
    QString body;

    RESTResponse get(const QString&) override { return answer(); }
    RESTResponse postXmlFile(const QString&, const QString&) override { return answer(); }
    RESTResponse post(const QString&, const QString&) override { return answer(); }
    RESTResponse put(const QString&, const QString&) override { return answer(); }
    RESTResponse del(const QString&) override { return answer(); }

private:
    RESTResponse answer() const
    {
        RESTResponse response;
        response.statusCode = 200;
        response.body = body;
        return response;
    }
};

class FixedUrl : public AbstractServiceUrl {
public:
    explicit FixedUrl(QString url)
        : url_(std::move(url))
    {
    }
    QString getLinkUrl(const QString&) override { return url_; }
    QString getUrl() override { return url_; }

private:
    QString url_;
};

} // namespace

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
        DownloadChoicesRemoteClient client(rest, platform, new FixedUrl(QStringLiteral("https://h/scan")),
                                           new FixedUrl(QStringLiteral("https://h/pra{?pra}")), nullptr);
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
