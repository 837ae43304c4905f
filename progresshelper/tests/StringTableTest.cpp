#include "progresshelper/platform/ResourceStringTable.h"

#include <gtest/gtest.h>

using Skylarn::ResourceStringTable;

namespace {
const char *const kKeys[] = {
    "URL_Language_Specifier", "Dialog_Title_AskForInternetConnection", "Dialog_Text_AskForInternetConnection",
    "Dialog_Title_InstallationIncomplete", "Dialog_Text_InstallationIncomplete", "Dialog_Button_OK",
    "Dialog_Button_Cancel", "ProgressBar_Title_Download", "ProgressBar_Label_Download",
    "ProgressBar_Value_Download", "Dialog_Title_CancelDownload", "Dialog_Text_CancelDownload",
    "Dialog_Button_ContinueDownload", "Dialog_Button_CancelDownload", "ProgressBar_Title_Installation",
    "ProgressBar_Label_Installation",
};
}

TEST(StringTable, FirstPreferredLanguageWithATableWins)
{
    EXPECT_EQ(ResourceStringTable({"fr-FR", "de-DE", "en"}).language(), QStringLiteral("de"));
    EXPECT_EQ(ResourceStringTable({"de_AT"}).localizedString("URL_Language_Specifier"), QStringLiteral("de"));
    EXPECT_EQ(ResourceStringTable({"ja"}).localizedString("URL_Language_Specifier"), QStringLiteral("en"));
    EXPECT_EQ(ResourceStringTable({}).language(), QStringLiteral("en"));
}

TEST(StringTable, EveryLanguageHasEveryKeyAndAMissingKeyGivesItself)
{
    for (const char *language : {"en", "de"}) {
        const ResourceStringTable table({QString::fromLatin1(language)});
        ASSERT_EQ(table.language(), QString::fromLatin1(language));
        for (const char *key : kKeys) {
            const QString text = table.localizedString(QString::fromLatin1(key));
            EXPECT_NE(text, QString::fromLatin1(key)) << language << " lacks " << key;
            EXPECT_FALSE(text.isEmpty());
        }
        EXPECT_EQ(table.localizedString("No_Such_Key"), QStringLiteral("No_Such_Key"));
    }
}

TEST(StringTable, ParsesEscapesAndSkipsComments)
{
    const auto table = ResourceStringTable::parseTable(
        "# comment\n  A = one\\ntwo \nB=x=y\n\nbroken line\n=novalue\nC = back\\\\slash\\t!\n");
    EXPECT_EQ(table.value("A"), QStringLiteral("one\ntwo"));
    EXPECT_EQ(table.value("B"), QStringLiteral("x=y"));
    EXPECT_EQ(table.value("C"), QStringLiteral("back\\slash\t!"));
    EXPECT_EQ(table.size(), 3);
}
