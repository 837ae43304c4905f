#include "core/DirectoryIterator.h"
#include "core/NativeFilesystem.h"
#include "core/NativeIterator.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

using Holmgrave::Core::Error;
using Holmgrave::Core::Path;
using Holmgrave::Core::Result;
using Holmgrave::FS::DirectoryEntry;
using Holmgrave::FS::DirectoryIterator;
using Holmgrave::FS::FileType;
using Holmgrave::FS::FilesystemBase;
using Holmgrave::FS::IIteratorImpl;
using Holmgrave::FS::IterationOption;
using Holmgrave::FS::NativeFilesystem;
using Holmgrave::Test::TempDir;

namespace {

const NativeFilesystem& fs() { return NativeFilesystem::instance(); }

struct Listing
{
    std::vector<DirectoryEntry> entries;
    Holmgrave::Core::VoidResult result;
};

Listing list(const std::string& path, std::uint32_t option, std::size_t limit = 100000)
{
    Listing l;
    l.result = fs().iterate(path, IterationOption(option), [&](const FilesystemBase&, const DirectoryEntry& e) {
        l.entries.push_back(e);
        return l.entries.size() < limit;
    });
    return l;
}

// Relative paths below |root| with their types, for readable comparisons.
std::vector<std::string> shown(const Listing& l, const std::string& root)
{
    std::vector<std::string> out;
    for (const DirectoryEntry& e : l.entries) {
        std::string p = e.path.compare(0, root.size(), root) == 0 ? e.path.substr(root.size() + 1) : e.path;
        out.push_back(p + ":" + std::to_string(static_cast<unsigned>(e.type)));
    }
    return out;
}

// Scripted enumeration: entries, then an error or the end.
class ScriptedImpl : public IIteratorImpl
{
public:
    ScriptedImpl(std::vector<DirectoryEntry> entries, bool failAtEnd)
        : m_entries(std::move(entries)), m_failAtEnd(failAtEnd)
    {
    }
    void increment() override
    {
        if (m_next < m_entries.size())
            m_current = m_entries[m_next++];
        else if (m_failAtEnd)
            m_current = Error{EIO, &std::system_category(), "Input/output error"};
        else
            m_current = DirectoryEntry{};
    }
    const Result<DirectoryEntry>& current() const override { return m_current; }

private:
    std::vector<DirectoryEntry> m_entries;
    bool m_failAtEnd;
    std::size_t m_next = 0;
    Result<DirectoryEntry> m_current{DirectoryEntry{}};
};

} // namespace

TEST(DirectoryIterator, EndsAtOnceOnAnEmptyEnumeration)
{
    DirectoryIterator it(std::make_shared<ScriptedImpl>(std::vector<DirectoryEntry>{}, false));
    EXPECT_TRUE(it == DirectoryIterator());
    EXPECT_TRUE(it.status().hasValue());
}

TEST(DirectoryIterator, ErrorEndsTheIterationAndStaysReadable)
{
    DirectoryIterator it(std::make_shared<ScriptedImpl>(
        std::vector<DirectoryEntry>{{"/a", FileType::regular}, {"/b", FileType::directory}}, true));
    std::vector<std::string> seen;
    for (; it != DirectoryIterator(); ++it)
        seen.push_back((*it).value().path);
    EXPECT_EQ(seen, (std::vector<std::string>{"/a", "/b"}));
    ASSERT_FALSE(it.status().hasValue());
    EXPECT_EQ(it.status().error().code, EIO);
}

TEST(DirectoryIterator, IteratorsOnEqualEntriesCompareEqual)
{
    DirectoryIterator a(std::make_shared<ScriptedImpl>(std::vector<DirectoryEntry>{{"/x", FileType::regular}}, false));
    DirectoryIterator b(std::make_shared<ScriptedImpl>(std::vector<DirectoryEntry>{{"/x", FileType::regular}}, false));
    DirectoryIterator c(std::make_shared<ScriptedImpl>(std::vector<DirectoryEntry>{{"/x", FileType::symlink}}, false));
    EXPECT_TRUE(a == b);
    EXPECT_TRUE(a != c);
    EXPECT_TRUE(a != DirectoryIterator());
}

TEST(NativeIteration, FlatAndRecursiveListingsInTheirOrder)
{
    TempDir dir;
    dir.write("b", "");
    dir.write("a", "");
    ::mkdir(dir.file("s").c_str(), 0755);
    dir.write("s/c", "");
    ::mkdir(dir.file("s/t").c_str(), 0755);
    dir.write("s/t/d", "");
    dir.write("z", "");
    ASSERT_EQ(::mkfifo(dir.file("p").c_str(), 0600), 0);

    const Listing flat = list(dir.path(), 0);
    ASSERT_TRUE(flat.result.hasValue());
    EXPECT_EQ(shown(flat, dir.path()), (std::vector<std::string>{"a:1", "b:1", "p:8", "s:2", "z:1"}));

    const Listing deep = list(dir.path(), IterationOption::recursive);
    ASSERT_TRUE(deep.result.hasValue());
    EXPECT_EQ(shown(deep, dir.path()),
              (std::vector<std::string>{"a:1", "b:1", "p:8", "s:2", "s/c:1", "s/t:2", "s/t/d:1", "z:1"}));
}

TEST(NativeIteration, FollowedLinksListTheTargetWithItsOwnPaths)
{
    TempDir dir;
    ::mkdir(dir.file("t").c_str(), 0755);
    dir.write("t/x", "");
    ::mkdir(dir.file("w").c_str(), 0755);
    ASSERT_EQ(::symlink("../t", dir.file("w/l").c_str()), 0);
    dir.write("w/m", "");

    const Listing followed = list(dir.file("w"), IterationOption::followSymlinks);
    ASSERT_TRUE(followed.result.hasValue());
    EXPECT_EQ(shown(followed, dir.file("w")), (std::vector<std::string>{"l:3", "../t/x:1", "m:1"}));

    const Listing plain = list(dir.file("w"), 0);
    EXPECT_EQ(shown(plain, dir.file("w")), (std::vector<std::string>{"l:3", "m:1"}));
}

TEST(NativeIteration, ALinkCycleEnds)
{
    TempDir dir;
    ::mkdir(dir.file("a").c_str(), 0755);
    ::mkdir(dir.file("a/b").c_str(), 0755);
    ASSERT_EQ(::symlink(dir.file("a").c_str(), dir.file("a/b/up").c_str()), 0);
    ASSERT_EQ(::symlink(".", dir.file("a/self").c_str()), 0);

    const Listing l = list(dir.file("a"), IterationOption::recursive | IterationOption::followSymlinks, 1000);
    ASSERT_TRUE(l.result.hasValue());
    ASSERT_LT(l.entries.size(), 1000u) << "the listing did not end";
    EXPECT_EQ(shown(l, dir.file("a")), (std::vector<std::string>{"b:2", "b/up:3", "self:3"}));
}

TEST(NativeIteration, CallbackStopAndFailures)
{
    TempDir dir;
    dir.write("a", "");
    dir.write("b", "");
    const Listing once = list(dir.path(), 0, 1);
    EXPECT_TRUE(once.result.hasValue());
    EXPECT_EQ(once.entries.size(), 1u);

    const Listing missing = list(dir.file("missing"), 0);
    ASSERT_FALSE(missing.result.hasValue());
    EXPECT_EQ(missing.result.error().code, ENOENT);
    EXPECT_EQ(missing.result.error().category, &std::system_category());
    EXPECT_TRUE(missing.entries.empty());

    const Listing notFolder = list(dir.file("a"), 0);
    ASSERT_FALSE(notFolder.result.hasValue());
    EXPECT_EQ(notFolder.result.error().code, ENOTDIR);

    const Listing empty = list("", 0);
    EXPECT_TRUE(empty.result.hasValue());
    EXPECT_TRUE(empty.entries.empty());
}

TEST(NativeIteration, ASubfolderThatVanishesBeforeItIsEnteredIsSkipped)
{
    TempDir dir;
    ::mkdir(dir.file("gone").c_str(), 0755);
    dir.write("later", "");
    std::vector<std::string> seen;
    const auto result = fs().iterate(dir.path(), IterationOption::recursive,
                                     [&](const FilesystemBase&, const DirectoryEntry& e) {
                                         seen.push_back(e.path);
                                         if (e.path == dir.file("gone"))
                                             ::rmdir(e.path.c_str()); // listed, not yet entered
                                         return true;
                                     });
    EXPECT_TRUE(result.hasValue()) << result.error().code;
    EXPECT_EQ(seen, (std::vector<std::string>{dir.file("gone"), dir.file("later")}));
}

TEST(NativeIteration, AnEmptyCallbackThrowsAtTheFirstEntry)
{
    TempDir dir;
    dir.write("a", "");
    EXPECT_THROW(fs().iterate(dir.path(), IterationOption(0), Holmgrave::FS::IterationCallback()),
                 std::bad_function_call);
}
