#include "player/ui/PlayerSettings.h"

#include "player/ui/Constants.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class PlayerSettingsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(store.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, store.path());
    }

    QTemporaryDir store;
    QTemporaryDir tree;
};

} // namespace

TEST_F(PlayerSettingsTest, ParentOfChosenFolderOrFileIsStored)
{
    ASSERT_TRUE(QDir(tree.path()).mkpath(QStringLiteral("a/b/image")));
    const QString b = QDir(tree.path()).absoluteFilePath(QStringLiteral("a/b"));
    {
        auto settings = openPlayerSettings();
        storeParentDirectory(b + QStringLiteral("/image"), *settings, defaultLoadDirKey);
        // A target file that does not exist yet: its folder still counts.
        storeParentDirectory(b + QStringLiteral("/track.wav"), *settings, defaultExportDirKey);
    }
    // A fresh store object reads what the first one wrote to the INI file.
    auto settings = openPlayerSettings();
    EXPECT_EQ(settings->format(), QSettings::IniFormat);
    EXPECT_TRUE(QFile::exists(settings->fileName()));
    EXPECT_TRUE(settings->fileName().startsWith(store.path()));
    EXPECT_TRUE(settings->fileName().contains(QStringLiteral("Holmgrave")));
    EXPECT_EQ(settings->value(defaultLoadDirKey).toString(), b);
    EXPECT_EQ(settings->value(defaultExportDirKey).toString(), b);
}

TEST_F(PlayerSettingsTest, EmptyPathOrMissingParentKeepsTheOldValue)
{
    auto settings = openPlayerSettings();
    settings->setValue(defaultLoadDirKey, QStringLiteral("/kept"));
    storeParentDirectory(QString(), *settings, defaultLoadDirKey);
    EXPECT_EQ(settings->value(defaultLoadDirKey).toString(), QStringLiteral("/kept"));

    const QString gone = tree.path() + QStringLiteral("/no/such/folder/image");
    storeParentDirectory(gone, *settings, defaultLoadDirKey);
    EXPECT_EQ(settings->value(defaultLoadDirKey).toString(), QStringLiteral("/kept"));
}

TEST_F(PlayerSettingsTest, FirstRunReadsEmptyValuesForAllFourKeys)
{
    auto settings = openPlayerSettings();
    EXPECT_TRUE(settings->value(defaultLoadDirKey).toString().isEmpty());
    EXPECT_TRUE(settings->value(defaultExportDirKey).toString().isEmpty());
    EXPECT_TRUE(settings->value(QStringLiteral("mainWindowGeometry")).toByteArray().isEmpty());
    EXPECT_TRUE(settings->value(QStringLiteral("header")).toByteArray().isEmpty());
}
