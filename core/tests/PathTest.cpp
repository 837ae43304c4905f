#include "core/Path.h"
#include "core/URI.h"
#include "core/string_ref.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using Holmgrave::Core::Path;
using Holmgrave::Core::percentDecode;
using Holmgrave::Core::removeDotSegments;
using Holmgrave::Core::string_ref;
using Holmgrave::Core::URI;

namespace {

std::vector<std::string> strings(const std::vector<string_ref>& refs)
{
    std::vector<std::string> out;
    for (auto r : refs)
        out.push_back(r.str());
    return out;
}

} // namespace

TEST(StringRef, SearchesStayWithinTheView)
{
    const char text[] = "a/b/c-not-part";
    const string_ref view(text, 5); // "a/b/c", no terminator inside
    EXPECT_EQ(view.find('/', 2), 3u);
    EXPECT_EQ(view.find('-'), string_ref::npos);
    EXPECT_EQ(view.rfind('/'), 3u);
    EXPECT_EQ(view.rfind('/', 2), 1u);
    EXPECT_EQ(view.rfind('a', 0), 0u);
    EXPECT_EQ(string_ref().rfind('a'), string_ref::npos);
    EXPECT_EQ(view.find_first_not_of('a'), 1u);
    EXPECT_EQ(string_ref("aaa").find_first_not_of('a'), string_ref::npos);
    EXPECT_EQ(view.find_first_of(string_ref("-c")), 4u);
    EXPECT_EQ(view.find_first_of(string_ref()), string_ref::npos);
    EXPECT_EQ(view.find('a', 99), string_ref::npos);
}

TEST(StringRef, SubstrAtTheEndIsEmptyAndBeyondThrows)
{
    const string_ref view("abc");
    EXPECT_TRUE(view.substr(3).empty());
    EXPECT_EQ(view.substr(1, 99).str(), "bc");
    try {
        view.substr(4);
        FAIL() << "substr beyond the end must throw";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "string_ref::substr");
    }
}

TEST(Path, BackslashesBecomeSlashesInEveryConstructor)
{
    EXPECT_EQ(Path("C:\\dir\\file").str(), "C:/dir/file");
    EXPECT_EQ(Path(std::string("a\\b")).str(), "a/b");
    std::string moved = "x\\y";
    EXPECT_EQ(Path(std::move(moved)).str(), "x/y");
    EXPECT_EQ(Path(string_ref("p\\q\\r", 3)).str(), "p/q");
    // Long texts take the 16-byte path; every position must still convert.
    const std::string allBackslashes(37, '\\');
    EXPECT_EQ(Path(allBackslashes).str(), std::string(37, '/'));
    std::string mixed;
    for (int i = 0; i < 50; ++i)
        mixed += (i % 3 == 0) ? '\\' : char('a' + i % 26);
    std::string expected = mixed;
    for (auto& c : expected)
        if (c == '\\')
            c = '/';
    EXPECT_EQ(Path(mixed).str(), expected);
}

TEST(Path, AppendFollowsTheSeparatorTable)
{
    struct Case
    {
        const char* base;
        const char* name;
        const char* result;
    };
    const Case cases[] = {
        {"dir", "file", "dir/file"}, {"dir", "/file", "dir/file"}, {"dir/", "file", "dir/file"},
        {"dir/", "///file", "dir/file"}, {"dir/", "/", "dir/"}, {"dir", "", "dir"},
        {"", "file", "/file"}, {"", "/file", "/file"}, {"", "", ""},
        {"dir", "//file", "dir//file"}, {"dir", "a\\b", "dir/a/b"}, {"dir/", "", "dir/"},
    };
    for (const auto& c : cases) {
        Path p(c.base);
        p.append(c.name);
        EXPECT_EQ(p.str(), c.result) << "base '" << c.base << "' name '" << c.name << "'";
    }
}

TEST(Path, RootNameRecognisesDriveNetworkAndSlashForms)
{
    struct Case
    {
        const char* path;
        const char* root;
        const char* relative;
    };
    const Case cases[] = {
        {"C:", "C:", ""},        {"/C:", "/C:", ""},        {"C:/x", "C:/", "x"},   {"/C:/x", "/C:/", "x"},
        {"C:x", "", "C:x"},      {"1:/x", "", "1:/x"},      {"//host", "/", "host"}, {"//host/x", "//host/", "x"},
        {"/x", "/", "x"},        {"x", "", "x"},            {"", "", ""},           {"///a", "///", "a"},
        {"/", "/", ""},          {"//", "/", ""},
    };
    for (const auto& c : cases) {
        const Path p(c.path);
        EXPECT_EQ(p.rootName().str(), c.root) << c.path;
        EXPECT_EQ(p.relativePart().str(), c.relative) << c.path;
        EXPECT_EQ(p.hasRootName(), std::string(c.root).size() > 0) << c.path;
    }
}

TEST(Path, SplitJoinAndFilename)
{
    EXPECT_EQ(strings(Path("//host/share/x").split()), (std::vector<std::string>{"//host/", "share", "x"}));
    EXPECT_EQ(strings(Path("/a/b/").split()), (std::vector<std::string>{"/", "a", "b"}));
    EXPECT_EQ(strings(Path("a//b").split()), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(strings(Path("a").split()), (std::vector<std::string>{"a"}));
    EXPECT_TRUE(Path("").split().empty());

    EXPECT_EQ(Path::join({"/", "a", "b"}), "/a/b");
    EXPECT_EQ(Path::join({"C:", "a"}), "C:/a");
    EXPECT_EQ(Path::join({"C:/", "a"}), "C:/a");
    EXPECT_EQ(Path::join({}), "");

    EXPECT_EQ(Path("/").filename().str(), "");
    EXPECT_EQ(Path("").filename().str(), "");
    EXPECT_EQ(Path("C:/").filename().str(), "");
    EXPECT_EQ(Path("a/b").filename().str(), "b");
    EXPECT_EQ(Path("a/").filename().str(), "");
    EXPECT_EQ(Path("name").filename().str(), "name");
}

TEST(PercentDecode, DecodesLenientlyAndNeverFails)
{
    EXPECT_EQ(percentDecode("%41"), "A");
    EXPECT_EQ(percentDecode("/a%20b"), "/a b");
    EXPECT_EQ(percentDecode("%"), "%");
    EXPECT_EQ(percentDecode("a%4"), "a%4");
    EXPECT_EQ(percentDecode("%2e%2E"), "..");
    EXPECT_EQ(percentDecode("%ff").size(), 1u);
    EXPECT_EQ(static_cast<unsigned char>(percentDecode("%ff")[0]), 0xFF);
    // Not hexadecimal: each character counts by its own code, truncated to a byte.
    EXPECT_EQ(percentDecode("%zz").size(), 1u);
    EXPECT_EQ(static_cast<unsigned char>(percentDecode("%zz")[0]), (16 * 'z' + 'z') & 0xFF);
    EXPECT_EQ(percentDecode(string_ref("%4142", 3)), "A");
}

TEST(RemoveDotSegments, NormalisesWithoutClimbingAboveTheRoot)
{
    struct Case
    {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"/a/./b/../c", "/a/c"}, {"a/../../b", "../b"}, {"../a", "../a"},   {"/a/b/", "/a/b"},
        {"C:\\x\\..\\y", "C:/y"}, {"a//b", "a/b"},       {"/../a", "/a"},   {"/..", "/"},
        {"/a/../..", "/"},        {"C:/../x", "C:/x"},   {"//host/../x", "//host/x"}, {".", ""},
        {"./a/.", "a"},           {"", ""},              {"a/..", ""},      {"../..", "../.."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(removeDotSegments(Path(c.in)).str(), c.out) << c.in;
}

TEST(URI, FromPathKeepsPercentSignsAndNormalisesDots)
{
    const URI uri(Path("/discs/100%Final/./x/../IMAGE.DAT"));
    EXPECT_EQ(uri.path().str(), "/discs/100%Final/IMAGE.DAT");
    EXPECT_EQ(URI(Path("/a%20b")).path().str(), "/a%20b");
    EXPECT_TRUE(uri.scheme().empty());
    EXPECT_TRUE(uri.authority().empty());
    EXPECT_TRUE(uri.query().empty());
    EXPECT_TRUE(uri.fragment().empty());
    EXPECT_EQ(URI(Path("/../a")).path().str(), "/a");
}

TEST(URI, EncodedPathIsDecodedBeforeNormalising)
{
    URI uri;
    uri.setEncodedPath("/a%20b/c/%2E%2E/d");
    EXPECT_EQ(uri.path().str(), "/a b/d");
    EXPECT_TRUE(uri.setEncodedPath("/100%25Final"));
    EXPECT_EQ(uri.path().str(), "/100%Final");
    // A NUL would end the name where the system reads it: "notes.txt".
    for (const char* cut : {"/discs/notes.txt%00.wav", "/a%P0b"}) {
        EXPECT_FALSE(uri.setEncodedPath(cut)) << cut;
        EXPECT_TRUE(uri.path().empty()) << cut;
    }
}

TEST(URI, CopiesAreIndependent)
{
    URI a(Path("/x"));
    a.setScheme("file");
    URI b = a;
    b.setPath(Path("/y"));
    b.setScheme("other");
    EXPECT_EQ(a.path().str(), "/x");
    EXPECT_EQ(a.scheme(), "file");
    EXPECT_NE(a, b);
}
