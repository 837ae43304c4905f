#include "updater/infrastructure/VornSettings.h"

#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

namespace {

class VornSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { QFile::remove(settingsPath()); }
    void TearDown() override { QFile::remove(settingsPath()); }

    static QString settingsPath()
    {
        return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Pathwarden"),
                         QStringLiteral("pathwarden-settings"))
            .fileName();
    }

    static void write(const QString& key, const QString& value)
    {
        QSettings store(settingsPath(), QSettings::IniFormat);
        store.setValue(key, value);
    }
};

} // namespace

TEST_F(VornSettingsTest, FirstStartCreatesAnEmptyFileAndEveryGetterHasItsDefault)
{
    ASSERT_FALSE(QFile::exists(settingsPath()));
    VornSettings settings;
    EXPECT_TRUE(QFile::exists(settingsPath()));
    EXPECT_TRUE(QSettings(settingsPath(), QSettings::IniFormat).allKeys().isEmpty());

    EXPECT_EQ(settings.getConsoleLogLevel(), QStringLiteral("DEBUG"));
    EXPECT_EQ(settings.getOverwritePlatform(), QStringLiteral("DEFAULT"));
    EXPECT_EQ(settings.getFileLogLevel(), QStringLiteral("ERROR"));
    EXPECT_EQ(settings.getRemoteLogLevel(), QStringLiteral("ERROR"));
    EXPECT_EQ(settings.getDialogLogLevel(), QStringLiteral("OFF"));
    EXPECT_TRUE(settings.getRootRestUrl().startsWith(QStringLiteral("https://")));
    EXPECT_TRUE(settings.getRootRestUrl().endsWith(QStringLiteral("/rest")));
    EXPECT_EQ(settings.getProfile(), QStringLiteral("prod"));
    EXPECT_FALSE(settings.getAccessRestrictedUpdates());
    EXPECT_TRUE(settings.getCheckRootCA());
}

TEST_F(VornSettingsTest, StoreWithAnyKeyIsLeftUntouched)
{
    write(QStringLiteral("SomethingElse"), QStringLiteral("1"));
    QFile file(settingsPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    VornSettings settings;
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}

TEST_F(VornSettingsTest, BooleansFollowQtsTextRule)
{
    const struct {
        const char* text;
        bool expected;
    } cases[] = {{"FALSE", false}, {"0", false}, {"", false}, {"false", false},
                 {"no", true},     {"off", true}, {"true", true}, {"1", true}};
    for (const auto& c : cases) {
        write(QStringLiteral("CheckRootCA"), QString::fromLatin1(c.text));
        write(QStringLiteral("AccessRestrictedUpdates"), QString::fromLatin1(c.text));
        VornSettings settings;
        EXPECT_EQ(settings.getCheckRootCA(), c.expected) << c.text;
        EXPECT_EQ(settings.getAccessRestrictedUpdates(), c.expected) << c.text;
    }
}

TEST_F(VornSettingsTest, TextsArePassedOnUnchangedAndChangesAreSeenByNewObjects)
{
    VornSettings first;
    write(QStringLiteral("OverwritePlatform"), QStringLiteral("win32"));
    write(QStringLiteral("Profile"), QStringLiteral("prod "));
    VornSettings second;
    EXPECT_EQ(second.getOverwritePlatform(), QStringLiteral("win32"));
    EXPECT_EQ(second.getProfile(), QStringLiteral("prod "));
}
