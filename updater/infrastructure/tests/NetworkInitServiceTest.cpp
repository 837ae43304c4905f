#include "updater/infrastructure/NetworkInitService.h"
#include "updater/infrastructure/RESTClient.h"
#include "updater/infrastructure/RemoteLogAppender.h"
#include "updater/infrastructure/ServiceUrl.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/SslCertServerChecker.h"
#include "updater/infrastructure/SslCertificates.h"
#include "updater/testsupport/RecordingLogAppender.h"
#include "updater/testsupport/ScopedSetting.h"
#include "updater/testsupport/TestCertificates.h"
#include "updater/testsupport/TestUpdateServer.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <memory>

namespace {

// One service stack on the "RootRestUrl" given, as the composition root
// wires it.
struct Stack {
    explicit Stack(const QString& rootUrl)
        : root(QStringLiteral("RootRestUrl"), rootUrl)
        , checker(&client, nullptr)
        , service(&certificates, &checker, &client, nullptr)
    {
    }
    ScopedSetting root;
    SslCertificates certificates;
    RESTClient client{&certificates};
    SslCertServerChecker checker;
    NetworkInitService service;
};

class NetworkInitServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QCoreApplication::setApplicationVersion(QStringLiteral("1.16.0.436"));
        ASSERT_TRUE(useTestCertificates(TestCertificateSet::Chain));
    }
    void TearDown() override { useTestCertificates(TestCertificateSet::None); }

    RecordingLogAppender log;
};

} // namespace

TEST_F(NetworkInitServiceTest, TrustedServerIsValidAndOnline)
{
    TestUpdateServer server;
    Stack stack(server.rootUrl());
    EXPECT_TRUE(stack.service.isSSLCertificateValid());
    EXPECT_TRUE(stack.service.isOnline());
    EXPECT_TRUE(log.contains(QStringLiteral("OK, Online @ ") + server.rootUrl()));
    EXPECT_EQ(server.requestsFor("/rest").size(), 2);
}

TEST_F(NetworkInitServiceTest, UntrustedServersFailTheCertificateCheck)
{
    for (auto identity : {TestUpdateServer::Identity::Rogue, TestUpdateServer::Identity::WrongHost}) {
        log.clear();
        TestUpdateServer server(identity);
        Stack stack(server.rootUrl());
        EXPECT_FALSE(stack.service.isSSLCertificateValid());
        EXPECT_TRUE(log.contains(QStringLiteral("SSL Error discoverd. :: SSL Error: ")));
        EXPECT_TRUE(log.contains(QStringLiteral("Certificate check failed")));
    }
}

TEST_F(NetworkInitServiceTest, UnreachableServerPassesTheCertificateCheckButIsOffline)
{
    const QString url = QStringLiteral("https://127.0.0.1:%1/rest").arg(TestUpdateServer::refusingPort());
    Stack stack(url);
    EXPECT_TRUE(stack.service.isSSLCertificateValid());
    EXPECT_FALSE(stack.service.isOnline());
    EXPECT_TRUE(log.contains(QStringLiteral("ERROR, Offline @ ") + url));
}

TEST_F(NetworkInitServiceTest, MissingCertificatesStopBeforeTheServerIsAsked)
{
    TestUpdateServer server;
    Stack stack(server.rootUrl());
    useTestCertificates(TestCertificateSet::None);
    EXPECT_FALSE(stack.service.isSSLCertificateValid());
    EXPECT_TRUE(log.contains(QStringLiteral("Initialization of sslCertificates was not possible!")));
    EXPECT_EQ(server.requestCount(), 0);
    // Even if asked, the client refuses to talk without pinned trust.
    EXPECT_FALSE(stack.service.isOnline());
    EXPECT_EQ(server.requestCount(), 0);
}

TEST_F(NetworkInitServiceTest, AnEmptyRootUrlIsOfflineAndReadAgainNextTime)
{
    TestUpdateServer server;
    auto stack = std::make_unique<Stack>(QString());
    ASSERT_TRUE(stack->certificates.loadCertificates());
    EXPECT_FALSE(stack->service.isOnline());
    EXPECT_TRUE(log.contains(QStringLiteral("ERROR, Offline @ ")));
    ScopedSetting later(QStringLiteral("RootRestUrl"), server.rootUrl());
    EXPECT_TRUE(stack->service.isOnline());
    EXPECT_EQ(server.requestsFor("/rest").size(), 1);
}

TEST_F(NetworkInitServiceTest, APlainHttpRootFailsTheCertificateCheckAndNothingGoesOutInClearText)
{
    TestUpdateServer plain(TestUpdateServer::Identity::PlainHttp);
    Stack stack(plain.rootUrl());
    EXPECT_FALSE(stack.service.isSSLCertificateValid());
    EXPECT_FALSE(stack.service.isOnline());
    stack.service.registerRemoteAppender();
    SimpleLogger::getInstance()->createLogger(QStringLiteral("ClearTextProbe"))->error(QStringLiteral("x"), QString());
    remoteLogPool()->waitForDone();
    EXPECT_EQ(plain.requestCount(), 0);
    EXPECT_TRUE(log.contains(QStringLiteral("only HTTPS is allowed while \"CheckRootCA\" is on")));
}

TEST_F(NetworkInitServiceTest, AnErrorLoggingLinkInClearTextSwitchesRemoteLoggingOff)
{
    TestUpdateServer server;
    server.setResponse("/rest/downloadclient", 200,
                       R"({"links":[{"rel":"errorlogging","href":"http://127.0.0.1:1/log"}]})");
    SslCertificates certificates;
    ASSERT_TRUE(certificates.loadCertificates());
    RESTClient client(&certificates);
    auto* serviceUrl = new ServiceUrl(QStringLiteral("downloadclient"), server.rootUrl(), &client, nullptr);
    RemoteLogAppender appender(&client, serviceUrl, ERROR, {QStringLiteral("RESTClient")}, nullptr);
    EXPECT_TRUE(appender.errorLogUrl().isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("errorlogging: http://127.0.0.1:1/log")));
}
