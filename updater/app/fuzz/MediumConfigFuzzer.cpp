// Reads arbitrary bytes as the medium configuration; the getters must answer
// without crashing or hanging.
#include "updater/app/MediaSpecificConfigurationService.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    static int counter = 0;
    // A fresh name each time: the settings cache keys on the file name.
    const QString path = dir.filePath(QStringLiteral("Vorncfg-%1.ini").arg(++counter));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    {
        MediaSpecificConfigurationService config(path);
        (void)config.mandatoryUpdateProductLink();
        (void)config.isMandatoryUpdate();
        (void)config.is32BitAvailable();
    }
    QFile::remove(path);
    return 0;
}
