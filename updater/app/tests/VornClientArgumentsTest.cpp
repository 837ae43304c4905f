#include "updater/app/VornClientArguments.h"

#include <QDir>

#include <gtest/gtest.h>

TEST(CommandLine, NoArgumentsKeepsTheDefaults)
{
    const VornClientArguments arguments(QStringList{QStringLiteral("Pathwarden")});
    EXPECT_TRUE(arguments.isParsingSuccessful());
    EXPECT_FALSE(arguments.isForceOnlineMode());
    EXPECT_FALSE(arguments.hasOriginalInstallerPath());
    EXPECT_EQ(arguments.overrideAppVersion(), QString());
}

TEST(CommandLine, OneOrTwoDashesBlankOrEqualsValues)
{
    const VornClientArguments a(QStringList{QStringLiteral("p"), QStringLiteral("-force-online-mode"),
                                            QStringLiteral("-override-app-version=2.0.0"),
                                            QStringLiteral("--original-installer-path"), QStringLiteral("/Volumes/DVD")});
    EXPECT_TRUE(a.isParsingSuccessful());
    EXPECT_TRUE(a.isForceOnlineMode());
    EXPECT_EQ(a.overrideAppVersion(), QStringLiteral("2.0.0"));
    EXPECT_TRUE(a.hasOriginalInstallerPath());
    EXPECT_EQ(a.originalInstallerPath(), QStringLiteral("/Volumes/DVD"));

    const VornClientArguments b(QStringList{QStringLiteral("p"), QStringLiteral("--original-installer-path=/a b/c"),
                                            QStringLiteral("positional")});
    EXPECT_TRUE(b.isParsingSuccessful());
    EXPECT_EQ(b.originalInstallerPath(), QStringLiteral("/a b/c"));
}

TEST(CommandLine, RelativeMediumPathIsMadeAbsoluteAtStartUp)
{
    const VornClientArguments a(QStringList{QStringLiteral("p"), QStringLiteral("-original-installer-path=medium/./dvd")});
    EXPECT_EQ(a.originalInstallerPath(), QDir::current().absolutePath() + QStringLiteral("/medium/dvd"));
}

TEST(CommandLine, ValueStartingWithADashIsNoValue)
{
    const VornClientArguments a(QStringList{QStringLiteral("p"), QStringLiteral("--override-app-version"),
                                            QStringLiteral("--force-online-mode"),
                                            QStringLiteral("--original-installer-path"), QStringLiteral("/x")});
    EXPECT_FALSE(a.isParsingSuccessful());
    EXPECT_EQ(a.overrideAppVersion(), QString());
    EXPECT_FALSE(a.isForceOnlineMode());
    // Not examined after the bad version.
    EXPECT_FALSE(a.hasOriginalInstallerPath());

    const VornClientArguments b(QStringList{QStringLiteral("p"), QStringLiteral("-force-online-mode"),
                                            QStringLiteral("--original-installer-path=-x")});
    EXPECT_FALSE(b.isParsingSuccessful());
    EXPECT_TRUE(b.isForceOnlineMode());
    EXPECT_FALSE(b.hasOriginalInstallerPath());

    const VornClientArguments c(QStringList{QStringLiteral("p"), QStringLiteral("--override-app-version=")});
    EXPECT_FALSE(c.isParsingSuccessful());
}

TEST(CommandLine, UndeclaredOptionOrMissingValueFailsAndAppliesNothing)
{
    const VornClientArguments a(QStringList{QStringLiteral("p"), QStringLiteral("--force-online-mode"),
                                            QStringLiteral("--something-else")});
    EXPECT_FALSE(a.isParsingSuccessful());
    EXPECT_FALSE(a.isForceOnlineMode());

    const VornClientArguments b(QStringList{QStringLiteral("p"), QStringLiteral("--original-installer-path")});
    EXPECT_FALSE(b.isParsingSuccessful());
    EXPECT_FALSE(b.hasOriginalInstallerPath());

    // No help or version option is declared.
    EXPECT_FALSE(VornClientArguments(QStringList{QStringLiteral("p"), QStringLiteral("--help")}).isParsingSuccessful());
}
