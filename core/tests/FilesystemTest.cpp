#include "core/IFilesystem.h"
#include "core/IHandler.h"
#include "core/IResolver.h"
#include "core/IStream.h"
#include "core/NativeFilesystem.h"
#include "core/Stream.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include <sys/stat.h>

using namespace Holmgrave;
using Core::Path;
using Core::URI;
using FS::getFilesystem;
using FS::getResolver;
using Test::TempDir;

namespace {

URI withScheme(const std::string& scheme, const Path& path)
{
    URI uri(path);
    uri.setScheme(scheme);
    return uri;
}

void expectNoHandler(const Core::Error& e)
{
    EXPECT_EQ(e.code, 1);
    EXPECT_EQ(e.category, &std::generic_category());
    EXPECT_EQ(e.message, "no filesystem registered to handle URI");
}

// Counts the calls that reach it, to prove what the facade forwards.
class RecordingFilesystem : public FS::FilesystemBase
{
public:
    Core::VoidResult copy(const Path& from, const Path& to) const override
    {
        ++calls;
        lastFrom = from.str();
        lastTo = to.str();
        return Core::VoidResult::success();
    }
    mutable int calls = 0;
    mutable std::string lastFrom;
    mutable std::string lastTo;
};

class RecordingHandler : public FS::IHandler
{
public:
    Core::Result<FS::FilesystemBase*> filesystem(const URI&) override
    {
        return static_cast<FS::FilesystemBase*>(&fs);
    }
    RecordingFilesystem fs;
};

} // namespace

TEST(Resolver, EmptyAndFileSchemesReachTheNativeFilesystem)
{
    auto* resolver = getResolver();
    ASSERT_EQ(resolver, getResolver());
    auto plain = resolver->resolve(URI(Path("/tmp")));
    auto file = resolver->resolve(withScheme("file", Path("/tmp")));
    auto byPath = resolver->resolve(Path("/tmp"));
    ASSERT_TRUE(plain.hasValue());
    ASSERT_TRUE(file.hasValue());
    ASSERT_TRUE(byPath.hasValue());
    FS::FilesystemBase* native = &FS::NativeFilesystem::instance();
    EXPECT_EQ(plain.value(), native);
    EXPECT_EQ(file.value(), native);
    EXPECT_EQ(byPath.value(), native);
    EXPECT_EQ(resolver->defaultFilesystem(), native);
}

TEST(Resolver, UnknownAndUpperCaseSchemesFailWithTheirText)
{
    auto* resolver = getResolver();
    for (const char* scheme : {"FILE", "http", "File"}) {
        auto r = resolver->resolve(withScheme(scheme, Path("/tmp")));
        ASSERT_FALSE(r.hasValue()) << scheme;
        expectNoHandler(r.error());
        EXPECT_EQ(resolver->findFilesystem(withScheme(scheme, Path("/tmp"))), nullptr);
    }
}

TEST(Resolver, RegistrationReplacesAndUnregisteringRemovesEveryScheme)
{
    auto* resolver = getResolver();
    RecordingHandler first;
    RecordingHandler second;
    resolver->registerHandler("mem", &first);
    resolver->registerHandler("mem", &second);
    resolver->registerHandler("mem2", &second);
    EXPECT_EQ(resolver->findFilesystem(withScheme("mem", Path("/x"))), &second.fs);
    resolver->unregisterHandler(&second);
    EXPECT_EQ(resolver->findFilesystem(withScheme("mem", Path("/x"))), nullptr);
    EXPECT_EQ(resolver->findFilesystem(withScheme("mem2", Path("/x"))), nullptr);
    resolver->registerHandler("mem", &first);
    resolver->unregisterScheme("mem");
    EXPECT_EQ(resolver->findFilesystem(withScheme("mem", Path("/x"))), nullptr);
    // The native handler is untouched by all of this.
    EXPECT_NE(resolver->findFilesystem(URI(Path("/x"))), nullptr);
}

TEST(Facade, EveryOperationFailsForAnUnknownScheme)
{
    auto* fs = getFilesystem();
    const URI bad = withScheme("FILE", Path("/tmp"));
    expectNoHandler(fs->open(bad, 8, false).error());
    expectNoHandler(fs->absolute(bad).error());
    expectNoHandler(fs->exists(bad).error());
    expectNoHandler(fs->fileType(bad, true).error());
    expectNoHandler(fs->remove(bad).error());
    expectNoHandler(fs->createSymlink(bad, URI(Path("/tmp/x"))).error());
}

TEST(Facade, TwoUriOperationsResolveBothAndRunOnTheFirst)
{
    auto* resolver = getResolver();
    RecordingHandler handler;
    resolver->registerHandler("rec", &handler);
    auto* fs = getFilesystem();

    auto badFirst = fs->copy(withScheme("nope", Path("/a")), withScheme("rec", Path("/b")));
    ASSERT_FALSE(badFirst.hasValue());
    expectNoHandler(badFirst.error());
    auto badSecond = fs->copy(withScheme("rec", Path("/a")), withScheme("nope", Path("/b")));
    ASSERT_FALSE(badSecond.hasValue());
    EXPECT_EQ(handler.fs.calls, 0) << "nothing may be copied when a URI does not resolve";

    auto ok = fs->copy(withScheme("rec", Path("/a/./x")), URI(Path("/b/../c")));
    EXPECT_TRUE(ok.hasValue());
    EXPECT_EQ(handler.fs.calls, 1);
    EXPECT_EQ(handler.fs.lastFrom, "/a/x");
    EXPECT_EQ(handler.fs.lastTo, "/c");
    resolver->unregisterHandler(&handler);
}

TEST(Facade, AbsoluteKeepsAllOtherComponents)
{
    URI uri = withScheme("file", Path("/a/../b%20c"));
    uri.setQuery("q");
    uri.setFragment("f");
    auto result = getFilesystem()->absolute(uri);
    ASSERT_TRUE(result.hasValue());
    EXPECT_EQ(result.value().scheme(), "file");
    EXPECT_EQ(result.value().query(), "q");
    EXPECT_EQ(result.value().fragment(), "f");
    EXPECT_EQ(result.value().path().str(), "/b%20c");
}

TEST(Facade, ReachesTheNativeFileOperations)
{
    TempDir dir;
    const std::string a = dir.write("a.txt", "text");
    auto fs = getFilesystem();
    EXPECT_TRUE(fs->exists(URI(Path(a))).value());
    EXPECT_TRUE(fs->isRegularFile(withScheme("file", Path(a))).value());
    ASSERT_TRUE(fs->copy(URI(Path(a)), URI(Path(dir.file("b.txt")))).hasValue());
    const auto again = fs->copy(URI(Path(a)), URI(Path(dir.file("b.txt"))));
    ASSERT_FALSE(again.hasValue());
    EXPECT_EQ(again.error().code, EEXIST);
    const auto found = fs->glob(URI(Path(dir.path())), "*.txt", FS::IterationOption(0));
    ASSERT_TRUE(found.hasValue());
    EXPECT_EQ(found.value().size(), 2u);
}

TEST(NativeOpen, OpensByPathThroughTheFacadeEvenWithPercentInTheFolderName)
{
    TempDir dir;
    const std::string folder = dir.path() + "/100%Final";
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    {
        std::FILE* f = std::fopen((folder + "/DDPID").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("DDP 2.00", f);
        std::fclose(f);
    }
    Path path(folder);
    path.append("DDPID");
    auto opened = getFilesystem()->open(URI(path), 8, false);
    ASSERT_TRUE(opened.hasValue()) << opened.error().message;
    FS::Stream stream(opened.value());
    char text[8];
    EXPECT_EQ(stream.read(text, 8), 8u);
    EXPECT_EQ(std::string(text, 8), "DDP 2.00");
    EXPECT_EQ(opened.value()->openMode(), 8u);
}

TEST(NativeOpen, MissingFilesFoldersAndModesWithoutARowAllFailTheSameWay)
{
    TempDir dir;
    const std::string file = dir.write("IMAGE.DAT", "1234");
    struct Case
    {
        std::string path;
        unsigned mode;
    };
    const Case cases[] = {{dir.file("missing"), 8}, {dir.path(), 8}, {file, 4}, {file, 0}};
    for (const auto& c : cases) {
        for (bool buffered : {false, true}) {
            auto r = getFilesystem()->open(URI(Path(c.path)), c.mode, buffered);
            ASSERT_FALSE(r.hasValue()) << c.path << " mode " << c.mode;
            EXPECT_EQ(r.error().code, 1);
            EXPECT_EQ(r.error().category, &std::generic_category());
            EXPECT_EQ(r.error().message, "unable to open file");
        }
    }
    EXPECT_EQ(TempDir::readAll(file), "1234");
}

TEST(NativeOpen, BufferedOpenSizesTheBlockFromThePreferredBlockSize)
{
    EXPECT_EQ(FS::NativeFilesystem::bufferSizeFor(4096, true), 16384u);
    EXPECT_EQ(FS::NativeFilesystem::bufferSizeFor(1024, true), 8192u);
    EXPECT_EQ(FS::NativeFilesystem::bufferSizeFor(512, true), 4096u);
    EXPECT_EQ(FS::NativeFilesystem::bufferSizeFor(0, false), 8192u);

    TempDir dir;
    const std::string file = dir.write("b.bin", "buffered");
    URI fileUri(Path{file});
    fileUri.setScheme("file");
    auto opened = getFilesystem()->open(fileUri, 8, true);
    ASSERT_TRUE(opened.hasValue());
    char text[16];
    EXPECT_EQ(opened.value()->read(text, sizeof text), 8u);
    EXPECT_EQ(std::string(text, 8), "buffered");
    EXPECT_TRUE(opened.value()->eof());
}
