// Feeds arbitrary bytes to the progress-file reader, twice in a row, as the
// helper re-reads a file that another program keeps rewriting.

#include "progresshelper/ProgressFileParser.h"
#include "progresshelper/platform/PlatformServices.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace {

class NoFiles : public Skylarn::IFileTests {
public:
    bool fileExists(const QString &) const override { return false; }
    Skylarn::FileContent readRegularFile(const QString &, qint64) const override { return {}; }
};

class QuietLog : public Skylarn::ILog {
public:
    void log(const QString &) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static NoFiles files;
    static QuietLog log;
    Skylarn::ProgressFileParser parser(files, log);
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<int>(size));
    for (int pass = 0; pass < 2; ++pass) {
        parser.read(bytes);
        // The values may each be at their 64-bit limit: add them without overflow.
        volatile unsigned long long sink = static_cast<unsigned long long>(parser.counter())
            + static_cast<unsigned long long>(parser.totalSize()) + static_cast<unsigned long long>(parser.currentSize());
        (void)sink;
    }
    return 0;
}
