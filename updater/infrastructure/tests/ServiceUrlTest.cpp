#include "updater/infrastructure/RESTClient.h"
#include "updater/infrastructure/ServiceUrl.h"
#include "updater/testsupport/RecordingLogAppender.h"
#include "updater/testsupport/ScopedSetting.h"
#include "updater/testsupport/TestCertificates.h"
#include "updater/testsupport/TestUpdateServer.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

TEST(LinkDiscoverer, FindsTheFirstEntryWithTheExactRelAndAnHref)
{
    struct Case {
        const char* name;
        const char* rel;
        const char* json;
        const char* href;
    };
    const Case cases[] = {
        {"plain", "a", R"({"links":[{"rel":"a","href":"h1"}]})", "h1"},
        {"empty href skipped", "a", R"({"links":[{"rel":"a","href":""},{"rel":"a","href":"h2"}]})", "h2"},
        {"first of two", "a", R"({"links":[{"rel":"a","href":"h1"},{"rel":"a","href":"h2"}]})", "h1"},
        {"case differs", "A", R"({"links":[{"rel":"a","href":"h1"}]})", ""},
        {"top-level array", "a", R"([{"rel":"a","href":"h1"}])", ""},
        {"no links", "a", R"({"link":[{"rel":"a","href":"h1"}]})", ""},
        {"links not a list", "a", R"({"links":"rel a"})", ""},
        {"entries not objects", "a", R"({"links":["a",1,null,[{"rel":"a","href":"x"}]]})", ""},
        {"href an object", "a", R"({"links":[{"rel":"a","href":{"x":1}},{"rel":"a","href":"h3"}]})", "h3"},
        {"not JSON", "a", "<html>rel a</html>", ""},
        {"empty text", "a", "", ""},
        {"truncated", "a", R"({"links":[{"rel":"a","href":"h1"})", ""},
        {"null document", "a", "null", ""},
    };
    for (const Case& c : cases) {
        const Link link = LinkDiscoverer().findLink(QString::fromLatin1(c.rel), QString::fromUtf8(c.json));
        EXPECT_EQ(link.href, QString::fromLatin1(c.href)) << c.name;
        EXPECT_EQ(link.rel, link.href.isEmpty() ? QString() : QString::fromLatin1(c.rel)) << c.name;
    }
}

namespace {

class ServiceUrlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QCoreApplication::setApplicationVersion(QStringLiteral("1.16.0.436"));
        ASSERT_TRUE(trust.isLoaded());
        ASSERT_TRUE(server.isListening());
    }

    TrustedTestCertificates trust;
    RESTClient client{&trust.certificates};
    TestUpdateServer server;
};

} // namespace

TEST_F(ServiceUrlTest, ResolvesOnceAndKeepsTheAnswer)
{
    ServiceUrl downloadClient(QStringLiteral("downloadclient"), server.rootUrl(), &client, nullptr);
    const QString expected = server.baseUrl() + QStringLiteral("/rest/downloadclient");
    EXPECT_EQ(downloadClient.getUrl(), expected);
    EXPECT_EQ(downloadClient.getUrl(), expected);
    EXPECT_EQ(server.requestCount(), 1);
}

TEST_F(ServiceUrlTest, AFailedLookupIsTriedAgain)
{
    server.setResponse("/rest", 500, "{}");
    ServiceUrl downloadClient(QStringLiteral("downloadclient"), server.rootUrl(), &client, nullptr);
    EXPECT_TRUE(downloadClient.getUrl().isEmpty());
    server.setResponse("/rest", 200, "not json at all");
    EXPECT_TRUE(downloadClient.getUrl().isEmpty());
    server.setResponse("/rest", 200, R"({"links":[{"rel":"downloadclient","href":"https://x.example/dc"}]})");
    EXPECT_EQ(downloadClient.getUrl(), QStringLiteral("https://x.example/dc"));
    EXPECT_EQ(server.requestsFor("/rest").size(), 3);
}

TEST_F(ServiceUrlTest, ChildrenResolveThroughTheirParentAndLinksAreFetchedEveryTime)
{
    ServiceUrl downloadClient(QStringLiteral("downloadclient"), server.rootUrl(), &client, nullptr);
    ServiceUrl installer(QStringLiteral("windowsproductinstaller"), &downloadClient, &client, nullptr);
    EXPECT_EQ(installer.getUrl(), server.baseUrl() + QStringLiteral("/rest/downloadclient/windowsproductinstaller"));
    EXPECT_EQ(server.requestsFor("/rest").size(), 1);
    EXPECT_EQ(server.requestsFor("/rest/downloadclient").size(), 1);

    server.clearRequests();
    EXPECT_EQ(downloadClient.getLinkUrl(QStringLiteral("errorlogging")),
              server.baseUrl() + QStringLiteral("/rest/downloadclient/errorlogging"));
    EXPECT_EQ(downloadClient.getLinkUrl(QStringLiteral("update")),
              server.baseUrl() + QStringLiteral("/rest/downloadclient/update{?version}"));
    EXPECT_TRUE(downloadClient.getLinkUrl(QStringLiteral("nothing")).isEmpty());
    EXPECT_EQ(server.requestCount(), 3);
    EXPECT_EQ(server.requestsFor("/rest/downloadclient").size(), 3);
}

TEST_F(ServiceUrlTest, AnUnresolvedParentGivesEmptyAnswers)
{
    server.setResponse("/rest", 404, "{}");
    ServiceUrl downloadClient(QStringLiteral("downloadclient"), server.rootUrl(), &client, nullptr);
    ServiceUrl installer(QStringLiteral("windowsproductinstaller"), &downloadClient, &client, nullptr);
    EXPECT_TRUE(installer.getUrl().isEmpty());
    EXPECT_TRUE(downloadClient.getLinkUrl(QStringLiteral("errorlogging")).isEmpty());
}

TEST_F(ServiceUrlTest, AnEmptyRelNeverResolves)
{
    server.setResponse("/rest", 200, R"({"links":[{"rel":"","href":"https://x.example/empty"}]})");
    ServiceUrl empty(QString(), server.rootUrl(), &client, nullptr);
    EXPECT_TRUE(empty.getUrl().isEmpty());
}

TEST_F(ServiceUrlTest, AnUntrustedServerYieldsNoAddress)
{
    TestUpdateServer rogue(TestUpdateServer::Identity::Rogue);
    ServiceUrl downloadClient(QStringLiteral("downloadclient"), rogue.rootUrl(), &client, nullptr);
    EXPECT_TRUE(downloadClient.getUrl().isEmpty());
}

TEST_F(ServiceUrlTest, APinnedDocumentCannotLeadToClearText)
{
    RecordingLogAppender log(ERROR);
    server.setResponse("/rest", 200,
                       R"({"links":[{"rel":"downloadclient","href":"http://127.0.0.1:1/rest/downloadclient"},)"
                       R"({"rel":"productlinescan","href":"/rest/relative"}]})");
    ServiceUrl downloadClient(QStringLiteral("downloadclient"), server.rootUrl(), &client, nullptr);
    EXPECT_TRUE(downloadClient.getUrl().isEmpty());
    ServiceUrl relative(QStringLiteral("productlinescan"), server.rootUrl(), &client, nullptr);
    EXPECT_TRUE(relative.getUrl().isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("Refused a link that is not HTTPS")));
    EXPECT_TRUE(log.contains(QStringLiteral("downloadclient: http://127.0.0.1:1/rest/downloadclient")));

    // Verification off: the setting's owner chose to allow it.
    ScopedSetting noCheck(QStringLiteral("CheckRootCA"), false);
    EXPECT_EQ(downloadClient.getUrl(), QStringLiteral("http://127.0.0.1:1/rest/downloadclient"));
}
