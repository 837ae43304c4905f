#include "updater/app/MediaSpecificConfigurationService.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString writeIni(const QTemporaryDir& dir, const QByteArray& content)
{
    const QString path = dir.filePath(QStringLiteral("Vorncfg.ini"));
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(content);
    return path;
}

} // namespace

TEST(MediumConfiguration, MissingFileGivesTheDefaults)
{
    MediaSpecificConfigurationService config(QStringLiteral("/nonexistent/Additional Content/Installer Data/Vorncfg.ini"));
    EXPECT_FALSE(config.isMandatoryUpdate());
    EXPECT_TRUE(config.is32BitAvailable());
    EXPECT_EQ(config.mandatoryUpdateProductLink(), MediaSpecificConfigurationService::defaultMandatoryUpdateProductLink());
    EXPECT_TRUE(config.mandatoryUpdateProductLink().startsWith(QStringLiteral("https://")));
}

TEST(MediumConfiguration, BooleansFollowQtsTextRule)
{
    QTemporaryDir dir;
    const struct {
        const char* text;
        bool expected;
    } cases[] = {{"true", true}, {"yes", true}, {"0", false}, {"FALSE", false}, {"", false}};
    for (const auto& c : cases) {
        const QString path = writeIni(dir, QByteArray("MandatoryUpdate_Mac=") + c.text + "\n32BitAvailable_Mac="
                                               + c.text + "\nMandatoryUpdateProductLink=https://example.invalid/x\n");
        MediaSpecificConfigurationService config(path);
        EXPECT_EQ(config.isMandatoryUpdate(), c.expected) << c.text;
        EXPECT_EQ(config.is32BitAvailable(), c.expected) << c.text;
        EXPECT_EQ(config.mandatoryUpdateProductLink(), QStringLiteral("https://example.invalid/x"));
    }
}

TEST(MediumConfiguration, DamagedFileGivesDefaultsWithoutCrashing)
{
    QTemporaryDir dir;
    const QString path = writeIni(dir, QByteArray("\x00\xff[[[=\n=\n\\\\\\\n", 12));
    MediaSpecificConfigurationService config(path);
    EXPECT_FALSE(config.isMandatoryUpdate());
    EXPECT_TRUE(config.is32BitAvailable());
}

// Windows editors save with a UTF-8 byte-order mark; the first key is read
// all the same.
TEST(MediumConfiguration, AByteOrderMarkBeforeTheFirstKeyIsSkipped)
{
    QTemporaryDir dir;
    MediaSpecificConfigurationService config(writeIni(dir, "\xEF\xBB\xBFMandatoryUpdate_Mac=true\r\n32BitAvailable_Mac=false\r\n"));
    EXPECT_TRUE(config.isMandatoryUpdate());
    EXPECT_FALSE(config.is32BitAvailable());
}
