#include "player/ui/FontHelper.h"

#include <QFontInfo>

#include <gtest/gtest.h>

#include <stdexcept>

TEST(FontHelper, BoldAndPlainSize14DifferOnlyInWeight)
{
    const QFont bold = FontHelper::getBoldFont(FontHelper::Size14);
    const QFont plain = FontHelper::getFont(FontHelper::Size14);
    EXPECT_EQ(bold.family(), QStringLiteral("Arial"));
    // Pixels: one point of the layout is one pixel at any screen resolution.
    EXPECT_EQ(bold.pixelSize(), 14);
    EXPECT_EQ(bold.weight(), 75);
    EXPECT_EQ(plain.weight(), QFont::Normal);
    EXPECT_FALSE(plain.italic());
    QFont plainMadeBold = plain;
    plainMadeBold.setWeight(75);
    EXPECT_EQ(plainMadeBold, bold);
}

TEST(FontHelper, MapHoldsFourSizesAndHandsOutCopies)
{
    ASSERT_EQ(FontHelper::fontMap.size(), 4u);
    EXPECT_EQ(FontHelper::getFont(FontHelper::Size10).pixelSize(), 10);
    EXPECT_EQ(FontHelper::getFont(FontHelper::Size11).pixelSize(), 11);
    EXPECT_EQ(FontHelper::getFont(FontHelper::Size12).pixelSize(), 12);

    QFont changed = FontHelper::getFont(FontHelper::Size12);
    changed.setWeight(QFont::Black);
    EXPECT_EQ(FontHelper::getFont(FontHelper::Size12).weight(), QFont::Normal);
}

TEST(FontHelper, KeyOutsideTheEnumerationThrows)
{
    EXPECT_THROW(FontHelper::getFont(static_cast<FontHelper::AppFont>(4)), std::out_of_range);
}

// Arial itself is not on this platform; fontconfig must map it to a
// metric-compatible sans font (Liberation Sans) rather than a random fallback.
TEST(FontHelper, ArialResolvesToAnInstalledSansFont)
{
    const QFontInfo info(FontHelper::getFont(FontHelper::Size12));
    EXPECT_TRUE(info.family().contains(QStringLiteral("Arial")) ||
                info.family().contains(QStringLiteral("Liberation Sans")))
        << info.family().toStdString();
}
