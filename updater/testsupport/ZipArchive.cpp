#include "updater/testsupport/ZipArchive.h"

#include <QFile>

#include <algorithm>
#include <array>

namespace {

quint32 crc32(const char* data, qint64 size)
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
    for (qint64 i = 0; i < size; ++i)
        crc = table[(crc ^ static_cast<quint8>(data[i])) & 0xFFu] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

quint32 crc32(const QByteArray& data)
{
    return crc32(data.constData(), data.size());
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

QByteArray zipArchiveOfSize(const QString& entryName, qint64 archiveSize, quint32 seed)
{
    const QByteArray name = entryName.toUtf8();
    // Local header, central directory header and end record around the data.
    const qint64 overhead = 30 + 46 + 22 + 2 * qint64(name.size());
    const qint64 dataSize = archiveSize - overhead;
    if (dataSize < 0 || archiveSize > 0x7FFFFFFF)
        return QByteArray();

    // Built in place: one copy of the data, however large.
    QByteArray archive(static_cast<int>(archiveSize), Qt::Uninitialized);
    char* data = archive.data() + 30 + name.size();
    quint32 state = seed ? seed : 1u;
    for (qint64 i = 0; i < dataSize; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        data[i] = static_cast<char>(state >> 24);
    }
    const quint32 crc = crc32(data, dataSize);
    const auto size = static_cast<quint32>(dataSize);

    QByteArray head;
    put32(head, 0x04034b50u);
    put16(head, 20);
    put16(head, 0x0800);
    put16(head, 0);
    put16(head, 0);
    put16(head, 0x21);
    put32(head, crc);
    put32(head, size);
    put32(head, size);
    put16(head, static_cast<quint32>(name.size()));
    put16(head, 0);
    head.append(name);
    std::copy(head.cbegin(), head.cend(), archive.begin());

    QByteArray tail;
    put32(tail, 0x02014b50u);
    put16(tail, (3u << 8) | 20u);
    put16(tail, 20);
    put16(tail, 0x0800);
    put16(tail, 0);
    put16(tail, 0);
    put16(tail, 0x21);
    put32(tail, crc);
    put32(tail, size);
    put32(tail, size);
    put16(tail, static_cast<quint32>(name.size()));
    put16(tail, 0);
    put16(tail, 0);
    put16(tail, 0);
    put16(tail, 0);
    put32(tail, 0100644u << 16);
    put32(tail, 0);
    tail.append(name);
    const auto directoryOffset = static_cast<quint32>(30 + name.size() + dataSize);
    const auto directorySize = static_cast<quint32>(tail.size());
    put32(tail, 0x06054b50u);
    put16(tail, 0);
    put16(tail, 0);
    put16(tail, 1);
    put16(tail, 1);
    put32(tail, directorySize);
    put32(tail, directoryOffset);
    put16(tail, 0);
    std::copy(tail.cbegin(), tail.cend(), archive.begin() + directoryOffset);
    return archive;
}
