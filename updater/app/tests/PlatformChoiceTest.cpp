#include "updater/app/VornConfiguration.h"

#include <gtest/gtest.h>

TEST(PlatformChoice, OverwriteSettingComparedExactly)
{
    EXPECT_EQ(platformForOverwriteSetting(QStringLiteral("DEFAULT"), 0), 0);
    EXPECT_EQ(platformForOverwriteSetting(QStringLiteral("DEFAULT"), 2), 2);
    EXPECT_EQ(platformForOverwriteSetting(QStringLiteral("WIN32"), 0), 1);
    EXPECT_EQ(platformForOverwriteSetting(QStringLiteral("WIN64"), 0), 2);
    EXPECT_EQ(platformForOverwriteSetting(QStringLiteral("OSX"), 2), 0);
    EXPECT_EQ(platformForOverwriteSetting(QStringLiteral("win64"), 0), -1);
    EXPECT_EQ(platformForOverwriteSetting(QStringLiteral("WIN64 "), 0), -1);
    EXPECT_EQ(platformForOverwriteSetting(QString(), 0), -1);
}
