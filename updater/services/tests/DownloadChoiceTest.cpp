#include "updater/services/DownloadChoice.h"
#include "updater/services/DownloadChoiceArtifact.h"
#include "updater/services/PlatformIdentifier.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <limits>

namespace {

// "1,024.00" written with the system locale's separators.
QString inSystemLocale(QString text)
{
    const QLocale locale = QLocale::system();
    const bool grouped = !(locale.numberOptions() & QLocale::OmitGroupSeparator);
    text.replace(QLatin1Char(','), QStringLiteral("\x01"));
    text.replace(QLatin1Char('.'), locale.decimalPoint());
    text.replace(QStringLiteral("\x01"), grouped ? QString(locale.groupSeparator()) : QString());
    return text;
}

} // namespace

TEST(DownloadChoice, SizeTextSwitchesToGigabytesAtTwoToTheThirty)
{
    const struct {
        quint64 bytes;
        const char* text;
    } cases[] = {
        {0, "0.00 MB"},
        {1048576, "1.00 MB"},
        {1073741823, "1,024.00 MB"},
        {1073741824, "1.00 GB"},
        {3440090809ULL, "3.20 GB"},
        {1099511627776ULL, "1,024.00 GB"},
        {std::numeric_limits<quint64>::max(), "17,179,869,184.00 GB"},
    };
    for (const auto& c : cases) {
        const DownloadChoice choice(QStringLiteral("n"), QString(), {}, c.bytes);
        EXPECT_EQ(choice.totalFilesizeText(), inSystemLocale(QString::fromLatin1(c.text))) << c.bytes;
    }
}

TEST(DownloadChoiceArtifact, FileNameIsTheLastSegmentOrNothingUsable)
{
    const struct {
        const char* url;
        const char* name;
        const char* extension;
    } cases[] = {
        {"https://h.example/dl/Product.Setup.zip?x=1#frag", "Product.Setup.zip", "zip"},
        {"https://h.example/dl/a.zip#frag?x", "a.zip", "zip"},
        {"https://h.example/dl/a.zip?p=dir/b.dmg#f", "b.dmg", "dmg"},
        {"https://h.example/dl/noext", "noext", "noext"},
        {"https://h.example/dl/.hidden", ".hidden", "hidden"},
        // Decoded once, then judged.
        {"https://h.example/dl/Setup%3A2%20Mac.zip", "Setup:2 Mac.zip", "zip"},
        {"https://h.example/dl/a%252Fb.zip", "a%2Fb.zip", "zip"},
        {"https://h.example/dl/a%2Fb.zip", "", ""},
        {"https://h.example/dl/%2E%2E", "", ""},
        // Names that would point at the download folder or above it.
        {"https://h.example/dl/", "", ""},
        {"https://h.example/dl/.", "", ""},
        {"https://h.example/dl/..", "", ""},
        {"https://h.example/dl/..?x=1", "", ""},
        {"https://h.example/dl/x.zip?a=/..#f", "", ""},
        {"https://h.example/dl/a%5Cb.zip", "", ""},
        {"https://h.example/dl/a\\b.zip", "", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        DownloadChoiceArtifact artifact(QUrl(QString::fromLatin1(c.url), QUrl::TolerantMode), 1, QString());
        EXPECT_EQ(artifact.fileName, QString::fromLatin1(c.name)) << c.url;
        EXPECT_EQ(artifact.fileExtension(), QString::fromLatin1(c.extension)) << c.url;
        artifact.outputDir = QStringLiteral("/tmp/dl");
        if (artifact.hasUsableFileName())
            EXPECT_EQ(artifact.localFilePath(), QStringLiteral("/tmp/dl/") + artifact.fileName) << c.url;
        else
            EXPECT_TRUE(artifact.localFilePath().isEmpty()) << c.url;
    }
}

TEST(DownloadChoiceArtifact, LocalPathAlwaysAddsOneSeparator)
{
    DownloadChoiceArtifact artifact(QUrl(QStringLiteral("https://h.example/a.zip")), 1, QString());
    const struct {
        const char* outputDir;
        const char* path;
    } cases[] = {{"/tmp/dl", "/tmp/dl/a.zip"}, {"/tmp/dl/", "/tmp/dl//a.zip"}, {"", "/a.zip"}};
    for (const auto& c : cases) {
        artifact.outputDir = QString::fromLatin1(c.outputDir);
        EXPECT_EQ(artifact.localFilePath(), QString::fromLatin1(c.path)) << c.outputDir;
    }
}

TEST(PlatformIdentifier, NamesOnlyTheThreeKnownPlatforms)
{
    EXPECT_EQ(platformName(static_cast<PlatformIdentifier>(2)), QStringLiteral("win64"));
    for (int value : {3, -1, 7}) {
        try {
            platformName(static_cast<PlatformIdentifier>(value));
            ADD_FAILURE() << value;
        } catch (const QString& text) {
            EXPECT_EQ(text, QStringLiteral("not implemented yet"));
        }
    }
}
