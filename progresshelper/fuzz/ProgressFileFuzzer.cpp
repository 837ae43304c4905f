// Feeds arbitrary bytes to the progress-file reader, twice in a row, as the
// helper re-reads a file that another program keeps rewriting.

#include "progresshelper/ProgressFileParser.h"
#include "progresshelper/platform/PlatformServices.h"

#include <QBuffer>
#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace {

class NoFiles : public Skylarn::IFileTests {
public:
    bool fileExists(const QString &) const override { return false; }
    bool isReadableFile(const QString &) const override { return false; }
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
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<int>(size));
    for (int pass = 0; pass < 2; ++pass) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        parser.readFrom(buffer);
        // The values may each be at their limit: add them in a wider type.
        volatile long long sink = static_cast<long long>(parser.counter()) + parser.totalSize() + parser.currentSize();
        (void)sink;
    }
    return 0;
}
