// Feeds arbitrary bytes to the Windows product-installer update service as
// the server's answer; reading must end without crashing, and the file name
// it would download to must stay inside the download folder.
#include "updater/infrastructure/AbstractRESTClient.h"
#include "updater/infrastructure/FileSystem.h"
#include "updater/infrastructure/PathComponent.h"
#include "updater/infrastructure/ServiceUrl.h"
#include "updater/services/WindowsProductInstallerUpdateService.h"

#include <QDir>
#include <QFileInfo>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

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

class FixedServiceUrl : public AbstractServiceUrl {
public:
    QString getLinkUrl(const QString&) override { return getUrl(); }
    QString getUrl() override { return QStringLiteral("https://127.0.0.1/rest/downloadclient/windowsproductinstaller"); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static EchoRESTClient client;
    static FixedServiceUrl address;
    static FileSystem folder(QDir(QStringLiteral("/nonexistent/updated-windows-product-installer")));
    client.body = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<int>(size));
    WindowsProductInstallerUpdateService service(&client, &address, nullptr, &folder, nullptr);
    if (service.readDownloadChoicesFromServer() && service.isWindowsProductInstallerAvailableOnline()) {
        // No archive at all, or one plain name inside the folder.
        const QString archive = service.archivePath();
        const QFileInfo file(archive);
        if (!archive.isEmpty()
            && (file.path() != folder.getDirectory().absolutePath() || !isSafePathComponent(file.fileName())))
            std::abort();
    }
    return 0;
}
