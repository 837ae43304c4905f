#include "updater/infrastructure/BackgroundCalls.h"
#include "updater/infrastructure/HttpExchange.h"
#include "updater/infrastructure/RESTClient.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/SslCertificates.h"
#include "updater/infrastructure/SystemInformation.h"
#include "updater/testsupport/RecordingLogAppender.h"
#include "updater/testsupport/ScopedSetting.h"
#include "updater/testsupport/TestCertificates.h"
#include "updater/testsupport/TestUpdateServer.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QThread>
#include <QThreadPool>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace {

class RESTClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QCoreApplication::setApplicationVersion(QStringLiteral("1.16.0.436"));
        ASSERT_TRUE(trust.isLoaded());
    }

    RecordingLogAppender log;
    TrustedTestCertificates trust;
    RESTClient client{&trust.certificates};
};

QString expectedUserAgent()
{
    SystemInformation* system = SystemInformation::getInstance();
    QVariantMap map;
    const QStringList languages = system->getOSLanguage();
    const QPair<QString, QString> values[] = {{QStringLiteral("ClientBits"), system->getClientBits()},
                                              {QStringLiteral("OSName"), system->getOSName(true)},
                                              {QStringLiteral("OSVersion"), system->getOSVersion(true)},
                                              {QStringLiteral("OSBits"), system->getOSBits()},
                                              {QStringLiteral("OSLanguage"), languages.value(0)}};
    for (const auto& value : values) {
        if (!value.second.isEmpty())
            map.insert(value.first, value.second);
    }
    const QString json =
        QString::fromUtf8(QJsonDocument(QJsonObject::fromVariantMap(map)).toJson(QJsonDocument::Compact));
    return QStringLiteral("Pathwarden/1.16.0.436 (") + json + QStringLiteral("; +") + RESTClient::makerUrl()
           + QLatin1Char(')');
}

} // namespace

TEST_F(RESTClientTest, TrustedChainPassesAndRequestsCarryAcceptAndUserAgent)
{
    TestUpdateServer server;
    ASSERT_TRUE(server.isListening());
    const RESTResponse response = client.get(server.rootUrl());
    EXPECT_EQ(response.statusCode, 200);
    EXPECT_EQ(response.networkError, 0);
    EXPECT_FALSE(response.sslErrorFound);
    EXPECT_TRUE(response.body.contains(server.baseUrl() + QStringLiteral("/rest/downloadclient")));
    EXPECT_FALSE(log.contains(QStringLiteral("Network Request error.")));
    EXPECT_TRUE(log.contains(QStringLiteral("peerVerifyMode = 2")));
    EXPECT_TRUE(log.contains(QStringLiteral("GET : ") + server.rootUrl()));

    ASSERT_EQ(server.requestCount(), 1);
    const RecordedRequest request = server.requests().first();
    EXPECT_EQ(request.method, QByteArray("GET"));
    EXPECT_EQ(request.path, QByteArray("/rest"));
    EXPECT_EQ(request.header("Accept"), QByteArray("application/json"));
    EXPECT_EQ(QString::fromUtf8(request.header("User-Agent")), expectedUserAgent());
}

TEST_F(RESTClientTest, UntrustedServersAreRefusedAndLoggedWithTheirHost)
{
    for (auto identity : {TestUpdateServer::Identity::Rogue, TestUpdateServer::Identity::WrongHost}) {
        log.clear();
        TestUpdateServer server(identity);
        ASSERT_TRUE(server.isListening());
        int signalled = 0;
        QObject::connect(&client, &AbstractRESTClient::restClientError, [&signalled](RESTClientErrors error) {
            EXPECT_EQ(error, SslError);
            ++signalled;
        });
        const RESTResponse response = client.get(server.rootUrl());
        client.disconnect();
        EXPECT_TRUE(response.sslErrorFound);
        EXPECT_NE(response.networkError, 0) << "a refused certificate must never look like success";
        EXPECT_FALSE(response.errorString.isEmpty());
        EXPECT_TRUE(response.body.isEmpty());
        EXPECT_EQ(signalled, 1);
        EXPECT_TRUE(log.contains(QStringLiteral("SSL Error found.")));
        // The host alone is looked up and resolves; "host:port/path" would
        // give no address and end the text with a bare quote.
        EXPECT_TRUE(log.contains(QStringLiteral("' (127.0.0.1)"))) << qPrintable(log.lines().join(QLatin1Char('\n')));
        EXPECT_EQ(server.requestCount(), 0);
    }
}

TEST_F(RESTClientTest, WithoutRootCheckTheRogueServerIsAcceptedWithAWarning)
{
    ScopedSetting noCheck(QStringLiteral("CheckRootCA"), false);
    TestUpdateServer server(TestUpdateServer::Identity::Rogue);
    const RESTResponse response = client.get(server.rootUrl());
    EXPECT_EQ(response.statusCode, 200);
    EXPECT_EQ(response.networkError, 0);
    EXPECT_FALSE(response.sslErrorFound);
    EXPECT_TRUE(log.contains(
        QStringLiteral("SSL certificate verification is DISABLED - certificate validity can NOT be guaranteed!")));
    EXPECT_TRUE(log.contains(QStringLiteral("peerVerifyMode = 0")));
}

TEST_F(RESTClientTest, WithoutBuiltInCertificatesNothingIsTrustedNotEvenSystemTrustedServers)
{
    // Stand-in for the system's authorities: the test root in Qt's default
    // configuration, which a plain request then trusts.
    const QSslConfiguration original = QSslConfiguration::defaultConfiguration();
    QSslConfiguration systemTrust = original;
    systemTrust.setCaCertificates(original.caCertificates() << testRootCertificate());
    QSslConfiguration::setDefaultConfiguration(systemTrust);

    TestUpdateServer server;
    {
        QNetworkAccessManager manager;
        QEventLoop loop;
        QNetworkReply* reply = manager.get(QNetworkRequest(QUrl(server.rootUrl())));
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        ASSERT_EQ(reply->error(), QNetworkReply::NoError) << "the stand-in system trust must work";
        delete reply;
    }
    server.clearRequests();

    useTestCertificates(TestCertificateSet::None);
    SslCertificates missing;
    EXPECT_FALSE(missing.loadCertificates());
    RESTClient unpinned(&missing);
    const RESTResponse response = unpinned.get(server.rootUrl());
    QSslConfiguration::setDefaultConfiguration(original);

    EXPECT_TRUE(response.sslErrorFound);
    EXPECT_NE(response.networkError, 0);
    EXPECT_EQ(server.requestCount(), 0);
    EXPECT_TRUE(log.contains(QStringLiteral("Network Request error.")));
}

TEST_F(RESTClientTest, BodiesGoWithTheirContentTypes)
{
    TestUpdateServer server;
    const QString url = server.baseUrl() + QStringLiteral("/rest/echo");
    server.setResponse("/rest/echo", 200, "{}");

    client.post(url, QStringLiteral("{\"a\":\"\u00e4\"}"));
    client.put(url, QStringLiteral("[1]"));
    client.del(url);
    const QString xml = QStringLiteral("<?xml version=\"1.0\"?><scanning-output>\u00fc</scanning-output>");
    client.postXmlFile(url, xml);

    const QList<RecordedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 4);
    EXPECT_EQ(requests[0].method, QByteArray("POST"));
    EXPECT_EQ(requests[0].header("Content-Type"), QByteArray("application/json"));
    EXPECT_EQ(requests[0].body, QStringLiteral("{\"a\":\"\u00e4\"}").toUtf8());
    EXPECT_EQ(requests[1].method, QByteArray("PUT"));
    EXPECT_EQ(requests[1].header("Content-Type"), QByteArray("application/json"));
    EXPECT_EQ(requests[1].body, QByteArray("[1]"));
    EXPECT_EQ(requests[2].method, QByteArray("DELETE"));
    EXPECT_TRUE(log.contains(QStringLiteral("DEL : ") + url));

    const RecordedRequest& upload = requests[3];
    EXPECT_EQ(upload.method, QByteArray("POST"));
    EXPECT_EQ(upload.header("Accept"), QByteArray("application/json"));
    const QByteArray contentType = upload.header("Content-Type");
    ASSERT_TRUE(contentType.startsWith("multipart/form-data; boundary=")) << contentType.constData();
    QByteArray boundary = contentType.mid(contentType.indexOf("boundary=") + 9);
    if (boundary.startsWith('"'))
        boundary = boundary.mid(1, boundary.size() - 2);
    EXPECT_EQ(upload.body.count("--" + boundary + "\r\n"), 1);
    EXPECT_TRUE(upload.body.endsWith("--" + boundary + "--\r\n"));
    EXPECT_TRUE(upload.body.contains("Content-Type: text/xml\r\n"));
    EXPECT_TRUE(upload.body.contains("Content-Disposition: form-data; name=\"file\"; filename=\"file.xml\"\r\n"));
    EXPECT_TRUE(upload.body.contains("\r\n\r\n" + xml.toUtf8() + "\r\n--" + boundary));
}

TEST_F(RESTClientTest, FailuresFillTheResponseAndTheLog)
{
    TestUpdateServer server;
    const QString missing = server.baseUrl() + QStringLiteral("/rest/nothing");
    RESTResponse response = client.get(missing);
    EXPECT_EQ(response.statusCode, 404);
    EXPECT_EQ(response.networkError, QNetworkReply::ContentNotFoundError);
    EXPECT_FALSE(response.sslErrorFound);
    EXPECT_EQ(response.body, QStringLiteral("{\"error\":\"not found\"}"));
    EXPECT_TRUE(log.contains(QStringLiteral("URL         : ") + missing + QStringLiteral("\nHTTP Status : 404\n"
                                                                                       "ErrorCode   : cb\n"
                                                                                       "ErrorString : ")));

    CannedResponse redirect;
    redirect.status = 302;
    redirect.extraHeaders.append(qMakePair(QByteArray("Location"), QByteArray("https://127.0.0.1:1/elsewhere")));
    server.setResponse("/rest/moved", redirect);
    response = client.get(server.baseUrl() + QStringLiteral("/rest/moved"));
    EXPECT_EQ(response.statusCode, 302);
    EXPECT_EQ(response.location, QStringLiteral("https://127.0.0.1:1/elsewhere"));

    server.setResponse("/rest/nul", 200, QByteArray("{\"a\":1}\0tail", 12));
    response = client.get(server.baseUrl() + QStringLiteral("/rest/nul"));
    EXPECT_EQ(response.networkError, 0);
    EXPECT_EQ(response.body, QStringLiteral("{\"a\":1}"));

    log.clear();
    const QString refused = QStringLiteral("https://127.0.0.1:%1/rest").arg(TestUpdateServer::refusingPort());
    response = client.get(refused);
    EXPECT_EQ(response.networkError, QNetworkReply::ConnectionRefusedError);
    EXPECT_EQ(response.statusCode, 0);
    EXPECT_FALSE(response.sslErrorFound);
    EXPECT_TRUE(log.contains(QStringLiteral("ErrorCode   : 1\n")));

    response = client.get(QString());
    EXPECT_NE(response.networkError, 0);
}

TEST_F(RESTClientTest, HostileAnswersEndAsClearErrors)
{
    TestUpdateServer server;
    server.setResponse("/rest/huge", 200, QByteArray(RESTClient::kMaxBodyBytes + 1024 * 1024, 'x'));
    // Ended by the announced length, whenever a busy machine lets it arrive:
    // no time limit of the client's may come first.
    client.setCallDeadline(4 * 60 * 1000);
    client.setTransferTimeout(4 * 60 * 1000);
    RESTResponse response = client.get(server.baseUrl() + QStringLiteral("/rest/huge"));
    EXPECT_EQ(response.networkError, QNetworkReply::UnknownContentError);
    EXPECT_TRUE(response.body.isEmpty());
    EXPECT_TRUE(response.errorString.contains(QStringLiteral("larger than")));

    CannedResponse silent;
    silent.stall = true;
    server.setResponse("/rest/silent", silent);
    client.setTransferTimeout(300);
    response = client.get(server.baseUrl() + QStringLiteral("/rest/silent"));
    EXPECT_NE(response.networkError, 0);
    // Ended by the limit set here, not by the default of 30 s.
    EXPECT_TRUE(response.errorString.contains(QStringLiteral("300 ms"))) << qPrintable(response.errorString);
}

TEST_F(RESTClientTest, TwoThreadsShareOneClient)
{
    TestUpdateServer server;
    std::vector<std::thread> threads;
    std::atomic<int> good{0};
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 4; ++i) {
                const RESTResponse response = client.get(server.rootUrl());
                if (response.statusCode == 200 && response.networkError == 0 && !response.sslErrorFound)
                    ++good;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(good.load(), 8);
    EXPECT_EQ(server.requestCount(), 8);
}

TEST_F(RESTClientTest, WhileRootCheckIsOnOnlyHttpsIsSpoken)
{
    TestUpdateServer plain(TestUpdateServer::Identity::PlainHttp);
    ASSERT_TRUE(plain.isListening());
    const QString url = plain.rootUrl();
    ASSERT_TRUE(url.startsWith(QStringLiteral("http://")));
    const QList<std::function<RESTResponse()>> calls = {
        [&] { return client.get(url); },
        [&] { return client.post(url, QStringLiteral("{}")); },
        [&] { return client.put(url, QStringLiteral("{}")); },
        [&] { return client.del(url); },
        [&] { return client.postXmlFile(url, QStringLiteral("<x/>")); },
        [&] { return client.get(QStringLiteral("HTTP://127.0.0.1:%1/rest").arg(plain.port())); },
    };
    for (const auto& call : calls) {
        const RESTResponse response = call();
        EXPECT_NE(response.networkError, 0);
        EXPECT_TRUE(response.sslErrorFound) << "the certificate check must fail, not pass unchecked";
        EXPECT_FALSE(response.errorString.isEmpty());
    }
    EXPECT_EQ(plain.requestCount(), 0);
    EXPECT_TRUE(log.contains(QStringLiteral("only HTTPS is allowed while \"CheckRootCA\" is on")));
    EXPECT_FALSE(log.contains(QStringLiteral("peerVerifyMode"))) << "nothing was verified";

    ScopedSetting noCheck(QStringLiteral("CheckRootCA"), false);
    EXPECT_EQ(client.get(url).statusCode, 200);
    EXPECT_EQ(plain.requestCount(), 1);
}

TEST_F(RESTClientTest, ADrippingAnswerEndsAtTheCallDeadline)
{
    TestUpdateServer server;
    CannedResponse drip;
    drip.body = QByteArray(1000, 'x');
    drip.dripIntervalMs = 50; // never idle, but 50 s in all
    server.setResponse("/rest/drip", drip);
    client.setCallDeadline(1500);
    const RESTResponse response = client.get(server.baseUrl() + QStringLiteral("/rest/drip"));
    EXPECT_EQ(response.networkError, QNetworkReply::TimeoutError);
    EXPECT_TRUE(response.errorString.contains(QStringLiteral("1500 ms"))) << qPrintable(response.errorString);
    EXPECT_TRUE(response.body.isEmpty());
    EXPECT_FALSE(response.sslErrorFound);
}

TEST_F(RESTClientTest, EndlessHeadersEndAtTheHeaderCap)
{
    TestUpdateServer server;
    CannedResponse flood;
    flood.endlessHeaders = true;
    server.setResponse("/rest/flood", flood);
    const RESTResponse response = client.get(server.baseUrl() + QStringLiteral("/rest/flood"));
    EXPECT_EQ(response.networkError, QNetworkReply::ProtocolFailure);
    EXPECT_TRUE(response.errorString.contains(QStringLiteral("headers are larger than %1 bytes")
                                                  .arg(RESTClient::kMaxHeaderBytes)))
        << qPrintable(response.errorString);
    EXPECT_TRUE(response.body.isEmpty());
}

TEST_F(RESTClientTest, AtTheEndOfTheRunStalledCallsAreAbandonedWithinTheBound)
{
    TestUpdateServer server;
    CannedResponse silent;
    silent.stall = true;
    server.setResponse("/rest/silent", silent);
    QThreadPool pool;
    std::atomic<int> error{-1};
    std::atomic<bool> hasText{false};
    pool.start([&] {
        const RESTResponse response = client.get(server.baseUrl() + QStringLiteral("/rest/silent"));
        hasText = !response.errorString.isEmpty();
        error = response.networkError;
    });
    ASSERT_TRUE(server.waitForRequests(1));

    EXPECT_TRUE(finishBackgroundCalls(&pool, {&client}, 200, SimpleLogger::getInstance()->createLogger("exit")));
    // Abandoned, not ended by the default deadline of a minute (a time-out).
    EXPECT_EQ(error.load(), QNetworkReply::OperationCanceledError);
    EXPECT_TRUE(hasText.load());
    EXPECT_TRUE(log.contains(QStringLiteral("Background calls did not end within 200 ms and are abandoned.")));

    // Nothing new starts once the run is ending.
    EXPECT_EQ(client.get(server.rootUrl()).networkError, QNetworkReply::OperationCanceledError);
    EXPECT_EQ(server.requestCount(), 1);
}

// A line break in a header value would end the header there and start one
// of the value's choosing (the User-Agent carries the version the command
// line gives): such a request is not sent.
TEST(HttpExchange, HeaderValuesWithALineBreakAreRefusedUnsent)
{
    TestUpdateServer server(TestUpdateServer::Identity::PlainHttp);
    const struct {
        const char* name;
        QByteArray value;
        bool sent;
    } rows[] = {
        {"plain", "Pathwarden/1.0", true},
        {"CR", "Pathwarden/1.0\rX-Injected: yes", false},
        {"LF", "Pathwarden/1.0\nX-Injected: yes", false},
        {"CR LF", "Pathwarden/1.0\r\nX-Injected: yes", false},
    };
    for (const auto& row : rows) {
        server.clearRequests();
        HttpRequest request;
        request.method = "GET";
        request.url = QUrl(server.rootUrl());
        request.headers.append(qMakePair(QByteArray("User-Agent"), row.value));
        HttpExchange exchange(request, HttpLimits());
        const HttpOutcome outcome = exchange.run();
        if (row.sent) {
            EXPECT_EQ(outcome.networkError, 0) << row.name << ": " << qPrintable(outcome.errorString);
            ASSERT_EQ(server.requestCount(), 1) << row.name;
            EXPECT_EQ(server.requests().first().header("User-Agent"), row.value) << row.name;
        } else {
            EXPECT_EQ(outcome.networkError, QNetworkReply::ProtocolInvalidOperationError) << row.name;
            EXPECT_TRUE(outcome.errorString.contains(QStringLiteral("\"User-Agent\""))) << qPrintable(outcome.errorString);
            EXPECT_EQ(server.requestCount(), 0) << row.name;
        }
    }
}
