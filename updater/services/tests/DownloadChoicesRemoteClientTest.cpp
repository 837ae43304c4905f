#include "updater/services/DownloadChoicesRemoteClient.h"

#include "updater/infrastructure/RESTClient.h"
#include "updater/infrastructure/ServiceUrl.h"
#include "updater/services/DownloadChoice.h"
#include "updater/services/DownloadChoiceArtifact.h"
#include "updater/testsupport/RecordingLogAppender.h"
#include "updater/testsupport/TestCatalogue.h"
#include "updater/testsupport/TestCertificates.h"
#include "updater/testsupport/TestUpdateServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QMutex>
#include <QWaitCondition>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kScanXml = QStringLiteral(
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n<scanning-output>\n    <packages/>\n</scanning-output>\n");

struct ChoiceSummary {
    QString name;
    quint64 size;
    QStringList fileNames;

    bool operator==(const ChoiceSummary& other) const
    {
        return name == other.name && size == other.size && fileNames == other.fileNames;
    }
};

std::ostream& operator<<(std::ostream& out, const ChoiceSummary& summary)
{
    return out << summary.name.toStdString() << " " << summary.size << " ["
               << summary.fileNames.join(QLatin1Char(',')).toStdString() << "]";
}

QList<ChoiceSummary> summarise(const QList<DownloadChoice*>& choices)
{
    QList<ChoiceSummary> result;
    for (const DownloadChoice* choice : choices) {
        ChoiceSummary summary{choice->name, choice->totalFilesize, {}};
        for (const DownloadChoiceArtifact* artifact : choice->artifacts)
            summary.fileNames << artifact->fileName;
        result << summary;
    }
    return result;
}

class DownloadChoicesRemoteClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QCoreApplication::setApplicationVersion(QStringLiteral("1.16.0.436"));
        ASSERT_TRUE(trust.isLoaded());
        ASSERT_TRUE(server.isListening());
    }
    void TearDown() override
    {
        client.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (QList<DownloadChoice*>* list : {&choices, &extraChoices})
            qDeleteAll(*list);
    }

    // The client owns the REST client and both addresses, as in the wizard.
    DownloadChoicesRemoteClient& makeClient(int platform)
    {
        auto* rest = new RESTClient(&trust.certificates);
        client = std::make_unique<DownloadChoicesRemoteClient>(
            rest, platform,
            new ServiceUrl(QStringLiteral("productlinescan"), server.rootUrl(), rest, nullptr),
            new ServiceUrl(QStringLiteral("downloadchoiceprereleaseauthorizationsearch"), server.rootUrl(),
                           rest, nullptr),
            nullptr);
        return *client;
    }

    QString catalogue(const char* name) const
    {
        return server.baseUrl() + QStringLiteral("/rest/catalogue/") + QLatin1String(name);
    }

    TrustedTestCertificates trust;
    TestUpdateServer server;
    RecordingLogAppender log;
    std::unique_ptr<DownloadChoicesRemoteClient> client;
    QList<DownloadChoice*> choices;
    QList<DownloadChoice*> extraChoices;
};

} // namespace

TEST_F(DownloadChoicesRemoteClientTest, EachPlatformReadsItsOwnLinksAndSizes)
{
    const QStringList soundMac = {QStringLiteral("Sound Library 2.1.zip"), QStringLiteral("extras.zip")};
    const struct
    {
        int platform;
        QList<ChoiceSummary> expected;
    } cases[] = {
        // Two matching links give two choices; an empty artifact document
        // drops its choice; a negative size reads as 0.
        {0,
         {{QStringLiteral("Sound Library 2.1"), 3440090809ULL, soundMac},
          {QStringLiteral("Manual Pack"), 0, {QStringLiteral("Manual-en.zip")}},
          {QStringLiteral("Manual Pack"), 0, {QStringLiteral("Manual-de.zip")}},
          {QStringLiteral("Legacy Driver"), 0, {QStringLiteral("LegacyDriver.zip")}}}},
        // A size beyond the 64-bit range reads as 0.
        {1,
         {{QStringLiteral("Sound Library 2.1"), 1048576, {QStringLiteral("SoundLibrary-win32.zip")}},
          {QStringLiteral("Legacy Driver"), 0, {QStringLiteral("LegacyDriver.msi")}}}},
        {2, {{QStringLiteral("Sound Library 2.1"), 2097152, {QStringLiteral("SoundLibrary-win64.zip")}}}},
    };
    for (const auto& c : cases) {
        server.clearRequests();
        choices = makeClient(c.platform).getDownloadChoices(kScanXml);
        EXPECT_EQ(summarise(choices), c.expected) << c.platform;
        qDeleteAll(choices);
        choices.clear();

        // The scan went up once, as the multipart upload the server accepts.
        const QList<RecordedRequest> uploads = server.requestsFor("/rest/productlines/scan");
        ASSERT_EQ(uploads.size(), 1);
        const char* const names[] = {"osx", "win32", "win64"};
        EXPECT_TRUE(uploads.first().path.endsWith(QByteArray("?platform=") + names[c.platform]));
        EXPECT_TRUE(uploads.first().body.contains(kScanXml.toUtf8()));
    }
}

TEST_F(DownloadChoicesRemoteClientTest, MacArtifactsCarryFlagsAndPackages)
{
    choices = makeClient(0).readDownloadChoicesFromServer(catalogue("downloadchoiceoptions.json"));
    ASSERT_EQ(choices.size(), 4);
    EXPECT_EQ(choices[0]->moreInfoLink, QStringLiteral("https://www.example.com/holmgrave/sound-library"));
    EXPECT_TRUE(choices[1]->moreInfoLink.isEmpty());

    const DownloadChoiceArtifact& full = *choices[0]->artifacts.at(0);
    EXPECT_EQ(full.url.toString(),
              server.baseUrl() + "/files/sound-library/Sound Library 2.1.zip?token=abc#part");
    EXPECT_EQ(full.filesize, 3440090809ULL);
    EXPECT_EQ(full.checksum,
              QStringLiteral("2c26b46b68ffc68ff99b453c1d30413413422d706483bfa0f98a5e886266e7ae"));
    EXPECT_EQ(QList<bool>({full.replace, full.update, full.upgrade, full.fullUi, full.hidden}),
              QList<bool>({true, false, true, false, true}));
    // Only the first "artifactinfos" link is followed; entries without
    // a path or without "bundleIds" are left out, ids without a value too.
    ASSERT_EQ(full.distributions.size(), 2);
    EXPECT_EQ(full.distributions[0].relPath, QStringLiteral("Sound Library.pkg"));
    EXPECT_EQ(full.distributions[0].packageIds,
              QList<QString>({QStringLiteral("com.holmgrave.pkg.SoundLibrary"),
                              QStringLiteral("com.holmgrave.pkg.SoundLibraryContent")}));
    EXPECT_EQ(full.distributions[1].relPath, QStringLiteral("Extras/Extras.pkg"));
    EXPECT_TRUE(full.distributions[1].packageIds.isEmpty());
    EXPECT_TRUE(server.requestsFor("/rest/catalogue/artifactinfos-unused.json").isEmpty());

    const DownloadChoiceArtifact& bare = *choices[0]->artifacts.at(1);
    EXPECT_EQ(bare.filesize, 0u);
    EXPECT_FALSE(bare.replace || bare.update || bare.upgrade || bare.fullUi || bare.hidden);
    EXPECT_TRUE(bare.distributions.isEmpty());
}

TEST_F(DownloadChoicesRemoteClientTest, OnlyTheFirstProductLineIsLookedAt)
{
    const struct
    {
        const char* name;
        QByteArray answer; // empty: the catalogue's own
        QString expected;
        const char* error;
    } cases[] = {
        {"catalogue", {}, catalogue("downloadchoiceoptions.json"), nullptr},
        {"second line has it",
         R"([{"links":[{"rel":"self","href":"a"}]},{"links":[{"rel":"productlinedownloadchoiceoptions","href":"b"}]}])",
         {},
         "ProductLine Url not found."},
        {"empty array", "[]", {}, nullptr},
        {"first line without links",
         R"([{"productlineId":1},{"links":[{"rel":"productlinedownloadchoiceoptions","href":"b"}]}])",
         {},
         nullptr},
        {"object instead of array",
         R"({"links":[{"rel":"productlinedownloadchoiceoptions","href":"b"}]})",
         {},
         nullptr},
        {"not JSON",
         "<html>502</html>",
         {},
         "JSON Response from getProductLineIdFromComponentScannerXML not parsable."},
    };
    DownloadChoicesRemoteClient& remote = makeClient(0);
    for (const auto& c : cases) {
        if (!c.answer.isEmpty())
            server.setResponse("/rest/productlines/scan", 200, c.answer);
        log.clear();
        EXPECT_EQ(remote.getProductLineIdFromComponentScannerXML(kScanXml), c.expected) << c.name;
        const bool errorLogged = log.contains(QStringLiteral("ERROR :: "));
        EXPECT_EQ(errorLogged, c.error != nullptr) << c.name;
        if (c.error) {
            EXPECT_TRUE(log.contains(QLatin1String(c.error))) << c.name;
        }
    }
}

TEST_F(DownloadChoicesRemoteClientTest, BodiesThatAreNotJsonGiveNothingAndAreLogged)
{
    DownloadChoicesRemoteClient& remote = makeClient(0);
    const QString page = catalogue("maintenance.html");
    EXPECT_TRUE(remote.readDownloadChoicesFromServer(page).isEmpty());
    EXPECT_TRUE(log.contains(
        QStringLiteral("ERROR :: JSON Response from readDownloadChoicesFromServer not parsable. :: URL: ") +
        page));
    EXPECT_TRUE(remote.resolvePlatformArtifactLinks(page).isEmpty());
    EXPECT_TRUE(log.contains(
        QStringLiteral("ERROR :: JSON Response from resolvePlatformArtifactLinks not parsable.")));

    log.clear();
    EXPECT_TRUE(remote.resolveArtifactInfosLinks(page).isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("ResolveArtifactInfosLinks Response :: JsonResponse: <html>")));
    EXPECT_FALSE(log.contains(QStringLiteral("ERROR")));

    // No server at all: the empty body is not JSON either.
    const QString refused =
        QStringLiteral("https://127.0.0.1:%1/rest/catalogue/x.json").arg(TestUpdateServer::refusingPort());
    EXPECT_TRUE(remote.readDownloadChoicesFromServer(refused).isEmpty());
    EXPECT_TRUE(log.contains(
        QStringLiteral("ERROR :: JSON Response from readDownloadChoicesFromServer not parsable. :: URL: ") +
        refused));
}

TEST_F(DownloadChoicesRemoteClientTest, RestrictedCodeIsSentTrimmedAndEncoded)
{
    DownloadChoicesRemoteClient& remote = makeClient(0);
    choices = remote.readRestrictedDownloadChoices(
        QStringLiteral("  ") + TestCatalogue::restrictedAccessCode() + QStringLiteral("\t\n"));
    ASSERT_EQ(choices.size(), 1);
    EXPECT_EQ(choices[0]->name, QStringLiteral("Sound Library 2.2 Beta"));

    extraChoices = remote.readRestrictedDownloadChoices(QStringLiteral("Beta 7"));
    EXPECT_TRUE(extraChoices.isEmpty());
    EXPECT_EQ(server.requestsFor("/rest/downloadchoices/prerelease").size(), 2);
}

namespace {

// The real client, with a gate for the artifact documents: each such request
// waits until as many are under way as the bound allows (once at most a
// minute, against a hang), and the most ever under way at once is counted.
class GatedRESTClient : public RESTClient {
public:
    using RESTClient::RESTClient;
    RESTResponse get(const QString& url) override
    {
        if (!url.contains(QLatin1String("/rest/artifacts/")))
            return RESTClient::get(url);
        {
            QMutexLocker lock(&mutex);
            ++running;
            most = qMax(most, running);
            opened.wakeAll();
            const QDeadlineTimer deadline(60000);
            while (most < DownloadChoicesRemoteClient::kParallelQueries && !gaveUp)
                gaveUp = !opened.wait(&mutex, deadline);
        }
        const RESTResponse response = RESTClient::get(url);
        QMutexLocker lock(&mutex);
        --running;
        return response;
    }
    QMutex mutex;
    QWaitCondition opened;
    int running = 0;
    int most = 0;
    bool gaveUp = false;
};

} // namespace

// Thousands of choices took minutes one request after another: their
// artifact documents are asked for several at a time, never more than the
// bound, and the choices keep the document's order.
TEST_F(DownloadChoicesRemoteClientTest, ArtifactDocumentsAreAskedForInParallelUpToTheBound)
{
    const int count = DownloadChoicesRemoteClient::kParallelQueries * 3;
    QByteArray document = "[";
    for (int i = 0; i < count; ++i) {
        const QByteArray n = QByteArray::number(i);
        document += QByteArray(i ? "," : "") + R"({"downloadChoice": {"name": "Choice )" + n + R"(", "links": [{"rel": )"
                    R"("artifactsMac", "href": ")" + server.baseUrl().toUtf8() + "/rest/artifacts/" + n + R"("}]}})";
        server.setResponse("/rest/artifacts/" + n, 200,
                           R"([{"href": "https://example.com/choice-)" + n + R"(.zip", "filesize": 1}])");
    }
    server.setResponse("/rest/choices", 200, document + "]");
    auto* rest = new GatedRESTClient(&trust.certificates);
    client = std::make_unique<DownloadChoicesRemoteClient>(
        rest, 0, new ServiceUrl(QStringLiteral("productlinescan"), server.rootUrl(), rest, nullptr),
        new ServiceUrl(QStringLiteral("downloadchoiceprereleaseauthorizationsearch"), server.rootUrl(), rest, nullptr),
        nullptr);
    choices = client->readDownloadChoicesFromServer(server.baseUrl() + QStringLiteral("/rest/choices"));
    EXPECT_EQ(rest->most, DownloadChoicesRemoteClient::kParallelQueries);
    ASSERT_EQ(choices.size(), count);
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(choices[i]->name, QStringLiteral("Choice %1").arg(i));
        ASSERT_EQ(choices[i]->artifacts.size(), 1);
        EXPECT_EQ(choices[i]->artifacts[0]->fileName, QStringLiteral("choice-%1.zip").arg(i));
    }
}
