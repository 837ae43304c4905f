#include "core/FilesystemBase.h"
#include "core/Glob.h"
#include "core/NativeFilesystem.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <regex>

using Holmgrave::Core::Error;
using Holmgrave::Core::Path;
using Holmgrave::Core::Result;
using Holmgrave::Core::VoidResult;
using Holmgrave::FS::DirectoryEntry;
using Holmgrave::FS::FileType;
using Holmgrave::FS::FilesystemBase;
using Holmgrave::FS::GlobPattern;
using Holmgrave::FS::IterationCallback;
using Holmgrave::FS::IterationOption;
using Holmgrave::FS::NativeFilesystem;
using Holmgrave::Test::TempDir;

namespace {

const NativeFilesystem& fs() { return NativeFilesystem::instance(); }

std::vector<std::string> names(const std::vector<DirectoryEntry>& entries)
{
    std::vector<std::string> out;
    for (const DirectoryEntry& e : entries)
        out.push_back(e.path.substr(e.path.rfind('/') + 1));
    std::sort(out.begin(), out.end());
    return out;
}

// A file system whose folders exist but cannot be listed.
class UnlistableFilesystem : public FilesystemBase
{
public:
    Result<FileType> fileType(const Path&, bool) const override { return FileType::directory; }
    VoidResult iterate(const Path&, IterationOption, const IterationCallback&) const override
    {
        return Error{EACCES, &std::system_category(), "Permission denied"};
    }
    Holmgrave::Core::Path currentDirectory() const override { return Path("/x"); }
};

} // namespace

TEST(GenericOperations, AbsoluteKeepsRootedPathsAndPrefixesTheOthers)
{
    UnlistableFilesystem base;
    EXPECT_EQ(base.absolute(Path("/a")).str(), "/a");
    EXPECT_EQ(base.absolute(Path("b")).str(), "/x/b");
    EXPECT_EQ(base.absolute(Path("C:/a")).str(), "C:/a");
}

TEST(GenericOperations, TypeTestsAndOther)
{
    TempDir dir;
    const std::string f = dir.write("f", "");
    ASSERT_EQ(::symlink("f", dir.file("l").c_str()), 0);
    ASSERT_EQ(::mkfifo(dir.file("p").c_str(), 0600), 0);
    EXPECT_TRUE(fs().isRegularFile(dir.file("l")).value());
    EXPECT_TRUE(fs().isSymlink(dir.file("l")).value());
    EXPECT_FALSE(fs().isSymlink(f).value());
    EXPECT_TRUE(fs().isDirectory(dir.path()).value());
    EXPECT_TRUE(fs().isOther(dir.file("p")).value());
    EXPECT_TRUE(fs().isOther("/dev/null").value());
    EXPECT_FALSE(fs().isOther(f).value());
    const auto missing = fs().isOther(dir.file("missing"));
    ASSERT_TRUE(missing.hasValue());
    EXPECT_FALSE(missing.value());
    EXPECT_FALSE(fs().isRegularFile(dir.file("missing")).hasValue());
}

TEST(GenericOperations, IsEmptyForFilesAndFolders)
{
    TempDir dir;
    EXPECT_TRUE(fs().isEmpty(dir.write("empty", "")).value());
    EXPECT_FALSE(fs().isEmpty(dir.write("full", "x")).value());
    ::mkdir(dir.file("d").c_str(), 0755);
    EXPECT_TRUE(fs().isEmpty(dir.file("d")).value());
    dir.write("d/.hidden", "");
    EXPECT_FALSE(fs().isEmpty(dir.file("d")).value());
    EXPECT_FALSE(fs().isEmpty(dir.file("missing")).hasValue());
}

TEST(GenericOperations, IsEmptyHandsOnAListingFailure)
{
    UnlistableFilesystem base;
    const auto r = base.isEmpty(Path("/locked"));
    ASSERT_FALSE(r.hasValue());
    EXPECT_EQ(r.error().code, EACCES);
}

TEST(GenericOperations, GlobTranslationEscapesEverythingButWildcards)
{
    EXPECT_EQ(Holmgrave::FS::globToRegularExpression("*.wav"), "[\\s\\S]*\\.wav");
    EXPECT_EQ(Holmgrave::FS::globToRegularExpression("track?.dat"), "track[\\s\\S]\\.dat");
    EXPECT_EQ(Holmgrave::FS::globToRegularExpression("[!a]*"), "[^a][\\s\\S]*");
    EXPECT_EQ(Holmgrave::FS::globToRegularExpression("a+(b)"), "a\\+\\(b\\)");
    EXPECT_EQ(Holmgrave::FS::globToRegularExpression("x[y"), "x\\[y");
    for (const char* pattern : {"(", "a)", "{", "a{2}", "$x^", "a|b", "\\", "[", "]", "[]", "[!]", "[\\]", "+*?"})
        EXPECT_NO_THROW(std::regex(Holmgrave::FS::globToRegularExpression(pattern))) << pattern;
}

TEST(GenericOperations, GlobMatchesWholeNamesWithLiteralMetacharacters)
{
    TempDir dir;
    for (const char* name : {"a.wav", "a.wave", "a_wav", "track1.dat", "b+c.txt", "bc.txt", "(x).log", "a|b", "zz"})
        dir.write(name, "");
    EXPECT_EQ(names(fs().glob(dir.path(), "*.wav", IterationOption(0)).value()), std::vector<std::string>{"a.wav"});
    EXPECT_EQ(names(fs().glob(dir.path(), "track?.dat", IterationOption(0)).value()),
              std::vector<std::string>{"track1.dat"});
    EXPECT_EQ(names(fs().glob(dir.path(), "b+c.*", IterationOption(0)).value()), std::vector<std::string>{"b+c.txt"});
    EXPECT_EQ(names(fs().glob(dir.path(), "(x).log", IterationOption(0)).value()),
              std::vector<std::string>{"(x).log"});
    EXPECT_EQ(names(fs().glob(dir.path(), "(", IterationOption(0)).value()), std::vector<std::string>{});
    EXPECT_EQ(names(fs().glob(dir.path(), "a|b", IterationOption(0)).value()), std::vector<std::string>{"a|b"});
    const auto notA = names(fs().glob(dir.path(), "[!a]*", IterationOption(0)).value());
    EXPECT_EQ(std::count_if(notA.begin(), notA.end(), [](const std::string& n) { return n[0] == 'a'; }), 0);
    EXPECT_EQ(notA.size(), 5u);
}

TEST(GenericOperations, GlobClassesRangesAndLiteralBrackets)
{
    struct Row
    {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Row rows[] = {
        {"[a-c]x", "bx", true},        {"[a-c]x", "dx", false},      {"[!a-c]x", "dx", true},
        {"[-a]", "-", true},           {"[a-]", "-", true},          {"[a-c-e]", "-", true},
        {"[a-c-e]", "d", false},       {"[]a]", "]", true},          {"[!]a]", "b", true},
        {"x[y", "x[y", true},          {"[!]", "[!]", true},         {"[\\]", "\\", true},
        {"[\x80-\xff]", "\xe9", true}, {"?", "\n", true},           {"a**b", "ab", true},
        {"", "", true},                {"", "a", false},             {"*", "", true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(GlobPattern(row.pattern).matches(row.name), row.matches) << row.pattern << " " << row.name;
}

TEST(GenericOperations, GlobStepsAreBoundedByPatternTimesNameLength)
{
    const std::string name(100, 'a');
    for (const std::string pattern : {"*a*a*b", "*a*a*a*a*b", "*?*?*?*?*?*b", "*[a]*[!b]*a*a*c", "*a*a*a*a*a"}) {
        std::size_t steps = 0;
        EXPECT_EQ(GlobPattern(pattern).matches(name, &steps), pattern.back() == 'a') << pattern;
        EXPECT_LE(steps, (pattern.size() + 1) * (name.size() + 1)) << pattern;
    }
}

TEST(GenericOperations, GlobWithAReversedRangeFailsWithItsReason)
{
    TempDir dir;
    dir.write("zebra", "");
    const GlobPattern reversed("[z-a]*");
    EXPECT_FALSE(reversed.valid());
    EXPECT_FALSE(reversed.matches("zebra"));
    Result<std::vector<DirectoryEntry>> found = Error{};
    EXPECT_NO_THROW(found = fs().glob(dir.path(), "[z-a]*", IterationOption(0)));
    ASSERT_FALSE(found.hasValue());
    EXPECT_EQ(found.error().code, EINVAL);
    EXPECT_EQ(found.error().message,
              "invalid glob pattern \"[z-a]*\": the class \"[z-a]\" holds the reversed range \"z-a\"");
}

TEST(GenericOperations, GlobWildcardsMatchLineEndsInNames)
{
    TempDir dir;
    dir.write("two\nlines", "");
    dir.write("cr\rend", "");
    EXPECT_EQ(names(fs().glob(dir.path(), "*", IterationOption(0)).value()),
              (std::vector<std::string>{"cr\rend", "two\nlines"}));
    EXPECT_EQ(names(fs().glob(dir.path(), "two?lines", IterationOption(0)).value()),
              std::vector<std::string>{"two\nlines"});
}

TEST(GenericOperations, GlobRegExIsAFullMatchAndRecursesWithTheOption)
{
    TempDir dir;
    ::mkdir(dir.file("sub").c_str(), 0755);
    dir.write("a1", "");
    dir.write("sub/a2", "");
    dir.write("sub/ba3", "");
    EXPECT_EQ(names(fs().globRegEx(dir.path(), "a[0-9]", IterationOption(0)).value()),
              std::vector<std::string>{"a1"});
    EXPECT_EQ(names(fs().globRegEx(dir.path(), "a[0-9]", IterationOption::recursive).value()),
              (std::vector<std::string>{"a1", "a2"}));
    EXPECT_THROW(fs().globRegEx(dir.path(), "(", IterationOption(0)), std::regex_error);
    const auto missing = fs().glob(dir.file("missing"), "*", IterationOption(0));
    ASSERT_FALSE(missing.hasValue());
    EXPECT_EQ(missing.error().code, ENOENT);
}
