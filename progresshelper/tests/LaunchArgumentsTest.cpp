#include "progresshelper/LaunchArguments.h"
#include "progresshelper/WebsitePath.h"

#include <gtest/gtest.h>

using namespace Skylarn;

TEST(LaunchArguments, ModeNamesIgnoreCaseButPrefixesDoNot)
{
    EXPECT_EQ(parseLaunchArguments({"/app/Skylarn", "-operationMode=SHOWDOWNLOADPROGRESS"}).operationMode,
              OperationModeShowDownloadProgress);
    EXPECT_EQ(parseLaunchArguments({"-OperationMode=openWebsite"}).operationMode, OperationModeNone);
    EXPECT_EQ(parseLaunchArguments({"-operationMode=openWebsite", "-operationMode=nonsense"}).operationMode,
              OperationModeOpenWebsite);
    EXPECT_EQ(parseLaunchArguments({"-operationMode=openWebsite", "-operationMode=showinstallationprogress"})
                  .operationMode,
              OperationModeShowInstallationProgress);
}

TEST(LaunchArguments, LaterValuesOverrideEarlierOnes)
{
    const LaunchArguments a = parseLaunchArguments({"-websiteFilePath=/a.html", "-progressFilePath=/p1.xml",
                                                    "-suppressDialog=YES", "-websiteFilePath=/b.html",
                                                    "-progressFilePath=/p2.xml", "-suppressDialog=true"});
    EXPECT_EQ(a.websiteFilePath, QStringLiteral("/b.html"));
    EXPECT_EQ(a.progressFilePath, QStringLiteral("/p2.xml"));
    EXPECT_FALSE(a.suppressDialog);
    EXPECT_TRUE(parseLaunchArguments({"-suppressDialog=yEs"}).suppressDialog);
    EXPECT_FALSE(parseLaunchArguments({"-suppressDialog=yes "}).suppressDialog);
}

TEST(WebsitePath, SpecifierGoesBeforeEveryHtm)
{
    EXPECT_EQ(localizedWebsitePath("/path/to/index.html", "en"), QStringLiteral("/path/to/index_en.html"));
    EXPECT_EQ(localizedWebsitePath("/path/to/index.htm", "de"), QStringLiteral("/path/to/index_de.htm"));
    EXPECT_EQ(localizedWebsitePath("/pages.htm/help/index.html", "de"),
              QStringLiteral("/pages_de.htm/help/index_de.html"));
    EXPECT_EQ(localizedWebsitePath("/path/to/readme.txt", "de"), QStringLiteral("/path/to/readme.txt"));
    EXPECT_EQ(localizedWebsitePath("a.htm.htm", "x"), QStringLiteral("a_x.htm_x.htm"));
    // A specifier that itself holds ".htm" is not localised again.
    EXPECT_EQ(localizedWebsitePath("/i.html", ".htm"), QStringLiteral("/i_.htm.html"));
}
