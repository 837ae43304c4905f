// Reads arbitrary bytes as the component scan's result file; the reader must
// answer without crashing or hanging, and a read that succeeds must have
// found a well-formed document.
#include "updater/services/ComponentScannerResultXMLReader.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("result.xml"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    ComponentScannerResultXMLReader reader(nullptr);
    ComponentenScannerScanningOutput output;
    const bool ok = reader.read(path, output);
    (void)reader.readFileText(path);
    if (ok && size == 0)
        __builtin_trap();
    return 0;
}
