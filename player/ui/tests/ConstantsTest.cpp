#include "player/ui/Constants.h"

#include <gtest/gtest.h>

TEST(Constants, RowColourListsHaveThreeEntriesWithADistinctFirst)
{
    ASSERT_EQ(rowBackgroundColors.size(), 3u);
    ASSERT_EQ(rowTextColors.size(), 3u);
    EXPECT_EQ(rowBackgroundColors[0].alpha(), 0);
    EXPECT_EQ(rowBackgroundColors[1], panelColor);
    EXPECT_EQ(rowBackgroundColors[2], rowBackgroundColor);
    EXPECT_EQ(rowTextColors[0], QColor(Qt::darkGray));
    EXPECT_EQ(rowTextColors[1], QColor(Qt::lightGray));
    EXPECT_EQ(rowTextColors[2], QColor(Qt::lightGray));
}

TEST(Constants, ColumnNamesKeepTheirOrderAndSpelling)
{
    const std::vector<std::string> expected{"Type",     "Track",    "Index",    "CD-Time", "Duration",
                                            "Title",    "Performer", "Songwriter", "Composer",
                                            "Arranger", "Message",  "ISRC",     "Usertext"};
    EXPECT_EQ(columnNames, expected);
}

TEST(Constants, SampleRateTextNamesTheProductThreeTimesAndEndsWithTwoBreaks)
{
    EXPECT_EQ(sampleRateErrorText.count(QStringLiteral("Glasswell")), 3);
    EXPECT_TRUE(sampleRateErrorText.startsWith(
        QStringLiteral("Your default audio device runs with a sample rate that is not compatible with Glasswell. ")));
    EXPECT_TRUE(sampleRateErrorText.endsWith(QStringLiteral("menu.<br><br>")));
    EXPECT_TRUE(sampleRateErrorText.contains(QStringLiteral("<b>Sound > Properties > Advanced > Default Format</b>")));
}

TEST(Constants, PaletteAndKeys)
{
    EXPECT_EQ(backgroundColor, QColor(38, 39, 40));
    EXPECT_EQ(accentGreenColor, QColor(17, 109, 24));
    EXPECT_EQ(transparentColor.alpha(), 0);
    EXPECT_EQ(defaultLoadDirKey, QStringLiteral("default_load_dir"));
    EXPECT_EQ(defaultExportDirKey, QStringLiteral("default_export_dir"));
    EXPECT_EQ(styleName, QStringLiteral("fusion"));
    EXPECT_EQ(fontFamily, QStringLiteral("Arial"));
}

TEST(Constants, DiscSideNamesComeWithTheSameHeader)
{
    EXPECT_EQ(DDP::imageFileName, "IMAGE.DAT");
    EXPECT_EQ(DDP::pqDescrFileName, "PQDESCR");
}
