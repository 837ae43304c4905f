#include "updater/services/ArtifactsFile.h"
#include "updater/services/DownloadChoice.h"
#include "updater/services/DownloadChoiceArtifact.h"
#include "updater/testsupport/DownloadTestSupport.h"
#include "updater/testsupport/RecordingLogAppender.h"
#include "testsupport/TestTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

DownloadChoiceArtifact* artifact(const char* url, const char* outputDir, QList<MacDistribution> distributions = {},
                                 bool replace = false, bool upgrade = false, bool hidden = false)
{
    auto* a = new DownloadChoiceArtifact(QUrl(QString::fromLatin1(url)), 1, QStringLiteral("00"), replace, false,
                                         upgrade, false, hidden);
    a->outputDir = QString::fromLatin1(outputDir);
    a->distributions = std::move(distributions);
    return a;
}

using Choices = std::vector<std::unique_ptr<DownloadChoice>>;

Choices severalChoices()
{
    Choices choices;
    choices.emplace_back(new DownloadChoice(
        QStringLiteral("Sound Library 2"), QString(),
        {artifact("https://dl.example/a/Library%20Update.zip?token=1#x", "/tmp/work/{1}",
                  {MacDistribution(QStringLiteral("Library Update/Library.pkg"),
                                   {QStringLiteral("com.holmgrave.library"), QStringLiteral("com.holmgrave.content")}),
                   MacDistribution(QStringLiteral("Extras.pkg"), {})},
                  true, true),
         artifact("https://dl.example/b/Content.tar.gz", "/tmp/work/{2}")},
        2));
    choices.emplace_back(new DownloadChoice(QStringLiteral("Nothing to fetch"), QString(), {}, 0));
    choices.emplace_back(new DownloadChoice(QStringLiteral("Manual"), QString(),
                                            {artifact("https://dl.example/MANUAL", "/tmp/work/{3}", {}, false, false, true)},
                                            1));
    return choices;
}

Choices choiceWithMarkup()
{
    Choices choices;
    choices.emplace_back(new DownloadChoice(
        QStringLiteral("Markup"), QString(),
        {artifact("https://dl.example/R%26D.pkg.zip", "/tmp/a&b",
                  {MacDistribution(QStringLiteral("<Tom's \"best\">.pkg"), {QStringLiteral("a&b")})})},
        1));
    return choices;
}

} // namespace

TEST(InstallerInformationFile, MatchesTheGoldenFiles)
{
    const struct {
        const char* golden;
        int platform;
        Choices (*choices)();
    } cases[] = {
        {"osx-several-choices.xml", 0, severalChoices},
        {"win32-no-choice.xml", 1, [] { return Choices(); }},
        {"no-platform-escaped-values.xml", 3, choiceWithMarkup},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("installer-info.xml"));
        const Choices choices = c.choices();
        ArtifactsFile file(nullptr);
        file.setSelectedPlatform(c.platform);
        file.setOriginalInstallerPath(QStringLiteral("/Volumes/Product Medium"));
        file.setArtifactsFilePath(path);
        for (const auto& choice : choices)
            file.addDownloadChoice(choice.get());
        file.addDownloadChoice(nullptr);
        EXPECT_TRUE(file.write()) << c.golden;
        EXPECT_EQ(fileContents(path).toStdString(),
                  fileContents(testtree::inSourceTree(QStringLiteral(PATHWARDEN_SERVICES_GOLDEN_DIR "/") + QLatin1String(c.golden))).toStdString())
            << c.golden;
    }
}

// A file that cannot be built or written leaves no earlier run's file at
// its path for the installer to take, and never half a file.
TEST(InstallerInformationFile, RefusalsAndFailuresAreLoggedAndLeaveNoEarlierFileAtThePath)
{
    QTemporaryDir dir;
    RecordingLogAppender log;
    const QString path = dir.filePath(QStringLiteral("info.xml"));
    // A value that XML cannot carry would leave a file no reader accepts.
    Choices choices;
    choices.emplace_back(new DownloadChoice(
        QStringLiteral("Bad"), QString(),
        {artifact("https://dl.example/a.zip", "/tmp", {MacDistribution(QStringLiteral("a\x01.pkg"), {})})}, 1));

    const struct {
        const char* target;
        const char* medium;
        DownloadChoice* choice;
        const char* logged;
        // The earlier file at info.xml is still there.
        bool earlierKept;
    } cases[] = {
        {"", "/medium", nullptr, "Failed to initialize 'artifactsFilePath'", true},
        {"info.xml", "", nullptr, "Failed to initialize 'installerDirPath'", false},
        {"info.xml", "/medium", choices.front().get(), "ConstructXmlContent failed.", false},
        {"missing-folder/info.xml", "/medium", nullptr, "Failed to create file: '", true},
    };
    for (const auto& c : cases) {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        ArtifactsFile file(nullptr);
        file.setArtifactsFilePath(*c.target ? dir.filePath(QString::fromLatin1(c.target)) : QString());
        file.setOriginalInstallerPath(QString::fromLatin1(c.medium));
        file.addDownloadChoice(c.choice);
        EXPECT_FALSE(file.write()) << c.logged;
        EXPECT_TRUE(log.contains(QString::fromLatin1(c.logged))) << c.logged;
        EXPECT_FALSE(file.failure().isEmpty()) << c.logged;
        EXPECT_EQ(fileContents(path), c.earlierKept ? QByteArray("old") : QByteArray()) << c.logged;
        EXPECT_EQ(QFileInfo::exists(path), c.earlierKept) << c.logged;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), c.earlierKept ? 1 : 0) << c.logged;
    }
}
