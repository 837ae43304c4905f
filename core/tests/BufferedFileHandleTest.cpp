#include "core/BufferedFileHandle.h"
#include "core/FileHandle.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

using Holmgrave::FS::BufferedFileHandle;
using Holmgrave::FS::FileHandle;
using Holmgrave::Test::TempDir;

namespace {

std::unique_ptr<BufferedFileHandle> openBuffered(const std::string& path, unsigned mode, std::uint64_t blockSize)
{
    return std::make_unique<BufferedFileHandle>(std::make_shared<FileHandle>(path, mode), blockSize);
}

std::string readRest(BufferedFileHandle& h)
{
    std::string out;
    char chunk[37];
    for (;;) {
        const auto n = h.read(chunk, sizeof chunk);
        out.append(chunk, n);
        if (n == 0)
            return out;
    }
}

std::string pattern(std::size_t size)
{
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    return s;
}

} // namespace

TEST(BufferedFileHandle, ReadsEveryByteOnceAcrossBlocks)
{
    TempDir dir;
    const std::string content = pattern(2 * 1024);
    auto h = openBuffered(dir.write("r.bin", content), 8, 1024);
    std::string got;
    char piece[100];
    for (;;) {
        const auto n = h->read(piece, 100);
        got.append(piece, n);
        if (n == 0)
            break;
    }
    EXPECT_EQ(got, content);
    EXPECT_EQ(h->read(piece, 100), 0u);
    EXPECT_TRUE(h->eof());
}

TEST(BufferedFileHandle, GetcGivesFullByteValuesAndStopsAtTheEnd)
{
    TempDir dir;
    auto h = openBuffered(dir.write("g.bin", std::string("\xFF\x00\x80", 3)), 24, 2);
    EXPECT_EQ(h->getc(), 0xFF);
    EXPECT_EQ(h->getc(), 0x00);
    EXPECT_EQ(h->getc(), 0x80);
    EXPECT_EQ(h->getc(), -1);
    EXPECT_EQ(h->getc(), -1);
    EXPECT_EQ(h->tell(), 3) << "reading past the end must not move the position";
    EXPECT_TRUE(h->putc('!'));
    EXPECT_TRUE(h->close());
    EXPECT_EQ(TempDir::readAll(dir.file("g.bin")), std::string("\xFF\x00\x80!", 4));
}

TEST(BufferedFileHandle, SeekFromEndAndUngetc)
{
    TempDir dir;
    auto h = openBuffered(dir.write("s.bin", "abcdefgh"), 8, 4);
    EXPECT_TRUE(h->seek(0, SEEK_END));
    EXPECT_EQ(h->tell(), 8);
    EXPECT_TRUE(h->eof());
    EXPECT_TRUE(h->setPosition(2));
    EXPECT_FALSE(h->eof());
    EXPECT_EQ(h->getc(), 'c');
    EXPECT_TRUE(h->ungetc('c'));
    EXPECT_EQ(h->getc(), 'c');
    EXPECT_EQ(h->getc(), 'd'); // block end: the buffer position starts afresh
    EXPECT_FALSE(h->ungetc('d')) << "no step back over a block change";
    EXPECT_FALSE(h->setPosition(-1));
    EXPECT_FALSE(h->seek(0, 7));
}

TEST(BufferedFileHandle, PutcOverAFullBlockKeepsTheValidCountInsideTheBlock)
{
    TempDir dir;
    const std::string content = pattern(16);
    auto h = openBuffered(dir.write("v.bin", content), 24, 16);
    ASSERT_TRUE(h->putc('X'));
    // Only the block's own 15 remaining bytes may come back, nothing beyond the buffer.
    EXPECT_EQ(readRest(*h), content.substr(1));
    EXPECT_TRUE(h->close());
    EXPECT_EQ(TempDir::readAll(dir.file("v.bin")), "X" + content.substr(1));
}

TEST(BufferedFileHandle, OverwritingDoesNotExposeStaleBytes)
{
    TempDir dir;
    auto h = openBuffered(dir.write("o.bin", "abcdefghij"), 24, 16);
    ASSERT_EQ(h->write("XY", 2), 2u);
    EXPECT_EQ(readRest(*h), "cdefghij");
    EXPECT_TRUE(h->close());
    EXPECT_EQ(TempDir::readAll(dir.file("o.bin")), "XYcdefghij");
}

TEST(BufferedFileHandle, WriteBackLandsAtTheBytesOwnPosition)
{
    TempDir dir;
    const std::string file = dir.write("w.bin", "abcdefghij");
    {
        // Written at the block start, then back to buffer position 0.
        auto h = openBuffered(file, 24, 16);
        ASSERT_EQ(h->write("XY", 2), 2u);
        ASSERT_TRUE(h->setPosition(0));
        EXPECT_EQ(h->flush(), 0);
        EXPECT_EQ(TempDir::readAll(file), "XYcdefghij");
    }
    {
        // Read a little (the inner stream has moved to the end of the data), then change one byte.
        auto h = openBuffered(file, 24, 16);
        char five[5];
        ASSERT_EQ(h->read(five, 5), 5u);
        ASSERT_TRUE(h->putc('Z'));
        EXPECT_EQ(h->flush(), 0);
        EXPECT_EQ(TempDir::readAll(file), "XYcdeZghij");
        // After a flush inside the block, reading continues where it was.
        EXPECT_EQ(readRest(*h), "ghij");
    }
}

TEST(BufferedFileHandle, EmptyWritableFileGrowsByWholeAndPartialBlocks)
{
    TempDir dir;
    const std::string file = dir.write("e.bin", "");
    const std::string content = pattern(3 * 64 + 5);
    auto h = openBuffered(file, 24, 64);
    EXPECT_EQ(h->write(content.data(), content.size()), content.size());
    EXPECT_TRUE(h->close());
    EXPECT_FALSE(h->close()) << "a closed handle reports false";
    EXPECT_EQ(TempDir::readAll(file), content);
}

TEST(BufferedFileHandle, FailedWriteBackFailsFlushAndClose)
{
    TempDir dir;
    const std::string file = dir.write("ro.bin", "abcdefghij");
    {
        // The inner stream is read-only, so no write-back can succeed.
        auto h = openBuffered(file, 8, 4);
        EXPECT_TRUE(h->putc('Q'));
        EXPECT_NE(h->flush(), 0);
        EXPECT_FALSE(h->close());
    }
    {
        // Block ends during one write: write itself still reports the count,
        // but the loss must show at flush and close.
        auto h = openBuffered(file, 8, 4);
        EXPECT_EQ(h->write("0123456789", 10), 10u);
        EXPECT_FALSE(h->setPosition(0)) << "leaving the block needs a write-back, which fails";
        EXPECT_NE(h->flush(), 0);
        EXPECT_FALSE(h->close());
    }
    EXPECT_EQ(TempDir::readAll(file), "abcdefghij");
}

// Drives a buffered handle and a plain in-memory file with the same random
// operations and compares every answer and, at the end, the bytes on disk.
// The model follows the open mode as the file does: without the read bit
// nothing can be read, with the append bit every write lands at the end.
namespace {

struct Model
{
    std::string content;
    std::uint64_t position = 0;
    std::uint64_t dataSize = 0; // grows with seeks past the end on writable, non-append handles
    bool readable = false;
    bool writable = false;
    bool append = false;
    int pushedBack = -1;

    std::string read(std::uint64_t count)
    {
        if (!readable || count == 0)
            return std::string();
        std::string out;
        if (pushedBack >= 0) {
            out.push_back(static_cast<char>(pushedBack));
            pushedBack = -1;
            ++position;
            --count;
        }
        if (position >= content.size())
            return out;
        const auto n = std::min<std::uint64_t>(count, content.size() - position);
        out += content.substr(position, n);
        position += n;
        return out;
    }
    void write(const std::string& bytes)
    {
        if (bytes.empty())
            return; // writing nothing does not extend a file
        pushedBack = -1;
        if (append)
            position = content.size();
        if (content.size() < position + bytes.size())
            content.resize(position + bytes.size(), '\0');
        content.replace(position, bytes.size(), bytes);
        position += bytes.size();
        dataSize = std::max<std::uint64_t>(dataSize, position);
    }
    void setPosition(std::uint64_t target)
    {
        pushedBack = -1;
        position = target;
        if (writable && !append)
            dataSize = std::max(dataSize, target);
    }
};

void runModel(std::uint64_t blockSize, unsigned mode, unsigned seed, int operations)
{
    SCOPED_TRACE("block " + std::to_string(blockSize) + " mode " + std::to_string(mode) + " seed "
                 + std::to_string(seed));
    std::mt19937 rng(seed);
    auto pick = [&rng](std::uint64_t lo, std::uint64_t hi) {
        return std::uniform_int_distribution<std::uint64_t>(lo, hi)(rng);
    };

    TempDir dir;
    Model model;
    model.readable = (mode & 8) != 0;
    model.writable = (mode & 16) != 0;
    model.append = (mode & 1) != 0;
    const bool truncates = mode == 56 || mode == 48 || mode == 16;
    std::string initial(truncates ? 0 : pick(0, 4 * blockSize + 3), '\0');
    for (auto& c : initial)
        c = static_cast<char>(pick(0, 255));
    if (!truncates)
        model.content = initial;
    model.dataSize = model.content.size();
    const std::string file = dir.write("model.bin", initial);
    auto h = openBuffered(file, mode, blockSize);
    ASSERT_TRUE(h->good());

    bool justReadAByte = false; // where stdio allows one ungetc
    for (int i = 0; i < operations; ++i) {
        const auto op = pick(0, model.writable ? 11 : 7);
        SCOPED_TRACE("operation " + std::to_string(i) + " kind " + std::to_string(op));
        if (std::getenv("HG_MODEL_TRACE"))
            std::fprintf(stderr, "op %d kind %d pos %llu size %zu dataSize %llu\n", i, int(op),
                         (unsigned long long)model.position, model.content.size(), (unsigned long long)model.dataSize);
        const bool afterGetc = std::exchange(justReadAByte, false);
        switch (op) {
        case 0: { // read
            const auto count = pick(0, 3 * blockSize + 2);
            std::string got(count, '\0');
            got.resize(h->read(got.data(), count));
            ASSERT_EQ(got, model.read(count));
            break;
        }
        case 1: { // getc
            const std::string expected = model.read(1);
            ASSERT_EQ(h->getc(), expected.empty() ? -1 : static_cast<unsigned char>(expected[0]));
            justReadAByte = !expected.empty();
            break;
        }
        case 2: { // seek from the start, the current position or the end
            const int origin = static_cast<int>(pick(0, 2));
            const std::uint64_t base = origin == 0 ? 0 : origin == 1 ? model.position : model.dataSize;
            if (base > 0 && pick(0, 9) == 0) {
                // Past the largest position: refused, nothing moves.
                ASSERT_FALSE(h->seek(INT64_MAX, origin));
                ASSERT_EQ(h->tell(), static_cast<std::int64_t>(model.position));
                justReadAByte = afterGetc;
                break;
            }
            const std::uint64_t target =
                model.writable ? pick(0, model.dataSize + 2 * blockSize) : pick(0, model.dataSize + 1);
            ASSERT_TRUE(h->seek(static_cast<std::int64_t>(target) - static_cast<std::int64_t>(base), origin));
            model.setPosition(target);
            break;
        }
        case 3:
            ASSERT_EQ(h->tell(), static_cast<std::int64_t>(model.position));
            justReadAByte = afterGetc;
            break;
        case 4:
            if (!model.writable) {
                ASSERT_EQ(h->eof(), model.position >= model.dataSize);
            }
            justReadAByte = afterGetc;
            break;
        case 5:
            ASSERT_EQ(h->flush(), 0);
            break;
        case 6:
        case 7: // ungetc: of a byte just read it works inside a block; of EOF never
            if (afterGetc && pick(0, 3) != 0) {
                const int c = static_cast<int>(pick(0, 255));
                const bool inBlock = model.position % blockSize != 0;
                ASSERT_EQ(h->ungetc(c), inBlock);
                if (inBlock) {
                    --model.position;
                    model.pushedBack = c;
                }
            } else {
                ASSERT_FALSE(h->ungetc(-1));
                justReadAByte = afterGetc;
            }
            break;
        case 8:
        case 9: { // write
            std::string bytes(pick(0, 2 * blockSize + 3), '\0');
            for (auto& c : bytes)
                c = static_cast<char>(pick(0, 255));
            ASSERT_EQ(h->write(bytes.data(), bytes.size()), bytes.size());
            model.write(bytes);
            break;
        }
        case 10: { // putc
            const char c = static_cast<char>(pick(0, 255));
            ASSERT_TRUE(h->putc(static_cast<unsigned char>(c)));
            model.write(std::string(1, c));
            break;
        }
        case 11: { // setPosition
            const auto target = pick(0, model.dataSize + blockSize);
            ASSERT_TRUE(h->setPosition(static_cast<std::int64_t>(target)));
            model.setPosition(target);
            break;
        }
        }
    }
    ASSERT_TRUE(h->close());
    EXPECT_EQ(TempDir::readAll(file), model.content);
}

// Every mode with a row in the open-mode table.
const unsigned allModes[] = {8, 24, 56, 25, 16, 48, 17};

} // namespace

TEST(BufferedFileHandleModel, SmallBlocksBehaveLikeAPlainFile)
{
    for (unsigned seed = 1; seed <= 12; ++seed) {
        for (std::uint64_t block : {1u, 3u, 16u}) {
            for (unsigned mode : allModes)
                runModel(block, mode, seed + 100 * mode, mode == 8 ? 800 : 1500);
        }
    }
}

TEST(BufferedFileHandleModel, LargeBlocksBehaveLikeAPlainFile)
{
    for (unsigned seed = 1; seed <= 4; ++seed) {
        for (std::uint64_t block : {4096u, 16384u}) {
            for (unsigned mode : allModes)
                runModel(block, mode, seed + 100 * mode, mode == 8 ? 300 : 400);
        }
    }
}
