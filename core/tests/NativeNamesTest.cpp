#include "core/NativeFilesystem.h"

#include <gtest/gtest.h>

using Holmgrave::Core::Path;
using Holmgrave::FS::NativeFilesystem;

namespace {

const NativeFilesystem& fs() { return NativeFilesystem::instance(); }

} // namespace

TEST(NativeNames, InvalidCharactersAreExactlyTheSevenInOrder)
{
    EXPECT_EQ(fs().invalidNameCharacters(), std::string("/:*?\t\n\r", 7));
}

TEST(NativeNames, ValidityByLengthDotsAndCharacters)
{
    EXPECT_TRUE(fs().isValidName(Path("a name with spaces")));
    EXPECT_FALSE(fs().isValidName(Path("a:b")));
    EXPECT_FALSE(fs().isValidName(Path("a\tb")));
    EXPECT_FALSE(fs().isValidName(Path(std::string("a\0b", 3))));
    EXPECT_FALSE(fs().isValidName(Path("")));
    EXPECT_FALSE(fs().isValidName(Path(".")));
    EXPECT_FALSE(fs().isValidName(Path("..")));
    EXPECT_TRUE(fs().isValidName(Path("...")));
    EXPECT_TRUE(fs().isValidName(Path(std::string(255, 'x'))));
    EXPECT_FALSE(fs().isValidName(Path(std::string(256, 'x'))));
    // Lengths are bytes: 128 two-byte characters are 256 bytes.
    std::string wide;
    for (int i = 0; i < 128; ++i)
        wide += "\xC3\xA9";
    EXPECT_FALSE(fs().isValidName(Path(wide)));
}

TEST(NativeNames, RepairReplacesCutsAndFillsNames)
{
    EXPECT_EQ(fs().makeValidName(Path("a/b?c"), '_').str(), "a_b_c");
    EXPECT_EQ(fs().makeValidName(Path(std::string("a\0b", 3)), '_').str(), "a_b");
    EXPECT_EQ(fs().makeValidName(Path(""), '_').str(), "_");
    EXPECT_EQ(fs().makeValidName(Path("."), '_').str(), "_");
    EXPECT_EQ(fs().makeValidName(Path(".."), '_').str(), "__");
    EXPECT_EQ(fs().makeValidName(Path("ok"), '_').str(), "ok");

    std::string longName(300, 'n');
    longName[10] = ':';
    longName[290] = '*';
    const Path repaired = fs().makeValidName(Path(longName), '-');
    ASSERT_EQ(repaired.str().size(), 255u);
    EXPECT_EQ(repaired.str()[10], '-');
    EXPECT_TRUE(fs().isValidName(repaired));

    // The replacement is the caller's choice, even a poor one.
    const Path poor = fs().makeValidName(Path(""), '.');
    EXPECT_EQ(poor.str(), ".");
    EXPECT_FALSE(fs().isValidName(poor));
}

TEST(NativeNames, AReplacementThatCannotStandInANameGivesWayToAnUnderscore)
{
    for (const char replacement : {'\\', '/', ':', '\0'}) {
        const Path repaired = fs().makeValidName(Path("a:b"), replacement);
        EXPECT_EQ(repaired.str(), "a_b") << int(replacement);
        EXPECT_TRUE(fs().isValidName(repaired));
    }
}
