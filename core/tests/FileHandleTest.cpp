#include "core/FileHandle.h"
#include "core/OpenMode.h"
#include "core/Stream.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>

using Holmgrave::FS::FileHandle;
using Holmgrave::FS::Stream;
using Holmgrave::Test::TempDir;

TEST(OpenModeTable, HoldsExactlyTheSevenRows)
{
    EXPECT_STREQ(Holmgrave::FS::fopenModeFor(8), "rb");
    EXPECT_STREQ(Holmgrave::FS::fopenModeFor(24), "r+b");
    EXPECT_STREQ(Holmgrave::FS::fopenModeFor(56), "w+b");
    EXPECT_STREQ(Holmgrave::FS::fopenModeFor(25), "a+b");
    EXPECT_STREQ(Holmgrave::FS::fopenModeFor(16), "wb");
    EXPECT_STREQ(Holmgrave::FS::fopenModeFor(48), "wb");
    EXPECT_STREQ(Holmgrave::FS::fopenModeFor(17), "ab");
    using Holmgrave::FS::OpenMode;
    EXPECT_STREQ(Holmgrave::FS::fopenModeFor(OpenMode::read | OpenMode::write | OpenMode::truncate), "w+b");
    for (unsigned mode : {0u, 1u, 2u, 4u, 32u, 9u, 40u, 57u, 0xFFFFFFFFu})
        EXPECT_STREQ(Holmgrave::FS::fopenModeFor(mode), "") << mode;
}

TEST(FileHandle, ModesWithoutARowMissingFilesAndFoldersGiveClosedHandles)
{
    TempDir dir;
    const std::string file = dir.write("data.bin", "content");
    for (unsigned mode : {0u, 2u, 4u, 32u}) {
        FileHandle h(file, mode);
        EXPECT_FALSE(h.isOpen()) << mode;
        EXPECT_FALSE(h.good()) << mode;
        EXPECT_FALSE(h.eof()) << mode;
        EXPECT_EQ(h.openMode(), mode);
    }
    FileHandle missing(dir.file("missing"), 8);
    EXPECT_FALSE(missing.good());
    FileHandle folder(dir.path(), 8);
    EXPECT_FALSE(folder.isOpen()) << "a folder must not open as a file";
    EXPECT_EQ(TempDir::readAll(file), "content") << "failed opens must not touch the file";
}

TEST(FileHandle, ANamedPipeIsRefusedWithoutWaitingForItsOtherEnd)
{
    TempDir dir;
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (unsigned mode : {8u, 24u, 16u, 17u}) {
        std::promise<bool> opened;
        std::future<bool> result = opened.get_future();
        std::thread opener([&] {
            FileHandle h(fifo, mode);
            opened.set_value(h.isOpen());
        });
        const bool returned = result.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
        if (!returned) {
            // Give the blocked open its other end so that the thread can end.
            const int peer = ::open(fifo.c_str(), (mode & 16u ? O_RDONLY : O_WRONLY) | O_NONBLOCK);
            opener.join();
            if (peer >= 0)
                ::close(peer);
        } else {
            opener.join();
        }
        EXPECT_TRUE(returned) << "opening a named pipe with mode " << mode << " waited for a peer";
        if (returned) {
            EXPECT_FALSE(result.get()) << mode;
        }
    }
}

TEST(FileHandle, WriteAloneTruncatesLikeWriteWithTruncate)
{
    TempDir dir;
    for (unsigned mode : {16u, 48u}) {
        const std::string file = dir.write("t.bin", "old content");
        {
            FileHandle h(file, mode);
            ASSERT_TRUE(h.good());
        }
        EXPECT_EQ(TempDir::readAll(file), "") << mode;
    }
    const std::string file = dir.write("u.bin", "0123456789");
    {
        FileHandle h(file, 24); // read and write keeps the content
        ASSERT_TRUE(h.good());
        EXPECT_TRUE(h.setPosition(2));
        EXPECT_EQ(h.write("ab", 2), 2u);
    }
    EXPECT_EQ(TempDir::readAll(file), "01ab456789");
    {
        FileHandle h(file, 17);
        ASSERT_TRUE(h.good());
        EXPECT_TRUE(h.putc('!'));
    }
    EXPECT_EQ(TempDir::readAll(file), "01ab456789!");
}

TEST(FileHandle, ShortReadSetsEofButStaysGood)
{
    TempDir dir;
    const std::string content(140, 'z');
    FileHandle h(dir.write("f.bin", content), 8);
    ASSERT_TRUE(h.good());
    EXPECT_TRUE(h.seek(0, SEEK_END));
    EXPECT_EQ(h.tell(), 140);
    EXPECT_TRUE(h.seek(-40, SEEK_END));
    char buffer[100];
    EXPECT_EQ(h.read(buffer, 100), 40u);
    EXPECT_TRUE(h.eof());
    EXPECT_TRUE(h.good());
    EXPECT_EQ(h.getc(), -1);
    EXPECT_TRUE(h.seek(0, SEEK_SET));
    EXPECT_FALSE(h.eof()) << "a successful seek clears end of file";
    EXPECT_EQ(h.getc(), 'z');
}

TEST(FileHandle, UngetcPutsTheByteBackAndCloseIsIdempotent)
{
    TempDir dir;
    FileHandle h(dir.write("g.bin", "\xFF" "A"), 8);
    ASSERT_TRUE(h.good());
    EXPECT_EQ(h.getc(), 0xFF);
    EXPECT_TRUE(h.ungetc(0xFF));
    EXPECT_EQ(h.getc(), 0xFF);
    EXPECT_EQ(h.getc(), 'A');
    EXPECT_EQ(h.flush(), 0);
    EXPECT_TRUE(h.close());
    EXPECT_FALSE(h.close());
    EXPECT_FALSE(h.isOpen());
    EXPECT_FALSE(h.good());
    EXPECT_EQ(h.openMode(), 8u);
}

TEST(Stream, CopiesShareTheFileUntilTheLastOwnerLetsGo)
{
    TempDir dir;
    auto handle = std::make_shared<FileHandle>(dir.write("s.bin", "abcdef"), 8);
    std::weak_ptr<FileHandle> watch = handle;
    auto copy = std::make_unique<Stream>(nullptr);
    {
        Stream first(std::move(handle));
        *copy = first;
        char c[2];
        EXPECT_EQ(first.read(c, 2), 2u);
    }
    ASSERT_FALSE(watch.expired());
    EXPECT_TRUE(watch.lock()->isOpen());
    EXPECT_EQ(copy->tell(), 2);
    EXPECT_TRUE(copy->seek(-1, SEEK_END));
    char last = 0;
    EXPECT_EQ(copy->read(&last, 1), 1u);
    EXPECT_EQ(last, 'f');
    EXPECT_TRUE(copy->good());
    copy.reset();
    EXPECT_TRUE(watch.expired());
}
