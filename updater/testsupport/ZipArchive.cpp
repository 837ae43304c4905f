#include "updater/testsupport/ZipArchive.h"

#include <QFile>

#include <array>

namespace {

quint32 crc32(const QByteArray& data)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (char byte : data)
        crc = table[(crc ^ static_cast<quint8>(byte)) & 0xFFu] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void put16(QByteArray& out, quint32 value)
{
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>((value >> 8) & 0xFF));
}

void put32(QByteArray& out, quint32 value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

} // namespace

bool writeZipArchive(const QString& path, const QList<ZipEntry>& entries)
{
    QByteArray archive;
    QByteArray directory;
    for (const ZipEntry& entry : entries) {
        const QByteArray name = entry.name.toUtf8();
        const bool isFolder = entry.name.endsWith(QLatin1Char('/'));
        const quint32 crc = crc32(entry.content);
        const auto size = static_cast<quint32>(entry.content.size());
        const auto offset = static_cast<quint32>(archive.size());
        const quint32 unixMode = (isFolder ? 0040000u : 0100000u) | static_cast<quint32>(entry.mode);

        put32(archive, 0x04034b50u); // local file header
        put16(archive, 20);          // version needed
        put16(archive, 0x0800);      // UTF-8 names
        put16(archive, 0);           // stored
        put16(archive, 0);           // time
        put16(archive, 0x21);        // date: 1980-01-01
        put32(archive, crc);
        put32(archive, size);
        put32(archive, size);
        put16(archive, static_cast<quint32>(name.size()));
        put16(archive, 0);
        archive.append(name);
        archive.append(entry.content);

        put32(directory, 0x02014b50u); // central directory header
        put16(directory, (3u << 8) | 20u); // made on Unix
        put16(directory, 20);
        put16(directory, 0x0800);
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0x21);
        put32(directory, crc);
        put32(directory, size);
        put32(directory, size);
        put16(directory, static_cast<quint32>(name.size()));
        put16(directory, 0); // extra
        put16(directory, 0); // comment
        put16(directory, 0); // disk
        put16(directory, 0); // internal attributes
        put32(directory, unixMode << 16);
        put32(directory, offset);
        directory.append(name);
    }
    const auto directoryOffset = static_cast<quint32>(archive.size());
    archive.append(directory);
    put32(archive, 0x06054b50u); // end of central directory
    put16(archive, 0);
    put16(archive, 0);
    put16(archive, static_cast<quint32>(entries.size()));
    put16(archive, static_cast<quint32>(entries.size()));
    put32(archive, static_cast<quint32>(directory.size()));
    put32(archive, directoryOffset);
    put16(archive, 0);

    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(archive) == archive.size();
}
