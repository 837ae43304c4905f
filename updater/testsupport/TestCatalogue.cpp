#include "updater/testsupport/TestCatalogue.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

CannedResponse status(int code, const QByteArray& error)
{
    CannedResponse response;
    response.status = code;
    response.body = "{\"error\":\"" + error + "\"}";
    return response;
}

CannedResponse fixture(const QString& name, const QString& baseUrl)
{
    // Only plain names inside the catalogue folder.
    static const QRegularExpression safeName(QStringLiteral("^[a-z0-9-]+\\.(json|html)$"));
    if (!safeName.match(name).hasMatch())
        return status(404, "not found");
    QFile file(TestUpdateServer::fixturesDir() + QStringLiteral("/catalogue/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return status(404, "not found");
    CannedResponse response;
    response.body = file.readAll();
    response.body.replace("{{BASE}}", baseUrl.toUtf8());
    if (name.endsWith(QLatin1String(".html")))
        response.contentType = "text/html";
    return response;
}

QList<QByteArray> queryValues(const QByteArray& path, const QByteArray& key)
{
    QList<QByteArray> values;
    const int start = path.indexOf('?');
    if (start < 0)
        return values;
    for (const QByteArray& pair : path.mid(start + 1).split('&')) {
        const int equals = pair.indexOf('=');
        if (equals > 0 && pair.left(equals) == key)
            values.append(QByteArray::fromPercentEncoding(pair.mid(equals + 1)));
    }
    return values;
}

CannedResponse productLineScan(const RecordedRequest& request, const QString& baseUrl)
{
    if (request.method != "POST")
        return status(405, "the scan is uploaded with POST");
    if (!request.header("content-type").startsWith("multipart/form-data; boundary="))
        return status(400, "expected a multipart form upload");
    if (!request.body.contains("Content-Disposition: form-data; name=\"file\"") ||
        !request.body.contains("scanning-output"))
        return status(400, "expected the scan result as the part named file");
    if (queryValues(request.path, "platform").size() != 1)
        return status(400, "expected one platform");
    return fixture(QStringLiteral("productlines.json"), baseUrl);
}

CannedResponse prereleaseSearch(const RecordedRequest& request, const QString& baseUrl)
{
    const QList<QByteArray> codes = queryValues(request.path, "pra");
    if (codes.size() == 1 && QString::fromUtf8(codes.first()) == TestCatalogue::restrictedAccessCode())
        return fixture(QStringLiteral("prerelease.json"), baseUrl);
    CannedResponse response;
    response.body = "[]";
    return response;
}

} // namespace

bool TestCatalogue::respond(const RecordedRequest& request, const QString& baseUrl, CannedResponse& response)
{
    const int query = request.path.indexOf('?');
    const QByteArray path = query < 0 ? request.path : request.path.left(query);
    if (path == "/rest/productlines/scan") {
        response = productLineScan(request, baseUrl);
        return true;
    }
    if (path == "/rest/downloadchoices/prerelease") {
        response = prereleaseSearch(request, baseUrl);
        return true;
    }
    static const QByteArray catalogue = "/rest/catalogue/";
    if (path.startsWith(catalogue)) {
        response = fixture(QString::fromUtf8(path.mid(catalogue.size())), baseUrl);
        return true;
    }
    return false;
}
