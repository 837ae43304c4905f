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

// The headers of one stored entry: the local file header (before its data)
// and the central directory header.
QByteArray localHeader(const QByteArray& name, quint32 crc, quint32 size)
{
    QByteArray header;
    put32(header, 0x04034b50u);
    put16(header, 20);     // version needed
    put16(header, 0x0800); // UTF-8 names
    put16(header, 0);      // stored
    put16(header, 0);      // time
    put16(header, 0x21);   // date: 1980-01-01
    put32(header, crc);
    put32(header, size);
    put32(header, size);
    put16(header, static_cast<quint32>(name.size()));
    put16(header, 0);
    header.append(name);
    return header;
}

QByteArray centralHeader(const QByteArray& name, quint32 crc, quint32 size, quint32 unixMode, quint32 offset)
{
    QByteArray header;
    put32(header, 0x02014b50u);
    put16(header, (3u << 8) | 20u); // made on Unix
    put16(header, 20);
    put16(header, 0x0800);
    put16(header, 0);
    put16(header, 0);
    put16(header, 0x21);
    put32(header, crc);
    put32(header, size);
    put32(header, size);
    put16(header, static_cast<quint32>(name.size()));
    put16(header, 0); // extra
    put16(header, 0); // comment
    put16(header, 0); // disk
    put16(header, 0); // internal attributes
    put32(header, unixMode << 16);
    put32(header, offset);
    header.append(name);
    return header;
}

QByteArray endOfCentralDirectory(int entries, quint32 directorySize, quint32 directoryOffset)
{
    QByteArray record;
    put32(record, 0x06054b50u);
    put16(record, 0);
    put16(record, 0);
    put16(record, static_cast<quint32>(entries));
    put16(record, static_cast<quint32>(entries));
    put32(record, directorySize);
    put32(record, directoryOffset);
    put16(record, 0);
    return record;
}

} // namespace

bool writeZipArchive(const QString& path, const QList<ZipEntry>& entries)
{
    QByteArray archive;
    QByteArray directory;
    for (const ZipEntry& entry : entries) {
        const QByteArray name = entry.name.toUtf8();
        const bool isFolder = entry.name.endsWith(QLatin1Char('/'));
        const quint32 crc = crc32(entry.content) ^ (entry.damaged ? 1u : 0u);
        const auto size = static_cast<quint32>(entry.content.size());
        const auto offset = static_cast<quint32>(archive.size());
        const auto mode = static_cast<quint32>(entry.mode);
        const quint32 unixMode = (mode & 0170000u) != 0 ? mode : (isFolder ? 0040000u : 0100000u) | mode;
        archive.append(localHeader(name, crc, size));
        archive.append(entry.content);
        directory.append(centralHeader(name, crc, size, unixMode, offset));
    }
    const auto directoryOffset = static_cast<quint32>(archive.size());
    archive.append(directory);
    archive.append(endOfCentralDirectory(entries.size(), static_cast<quint32>(directory.size()), directoryOffset));

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
    const auto directoryOffset = static_cast<quint32>(30 + name.size() + dataSize);
    const QByteArray head = localHeader(name, crc, size);
    const QByteArray directory = centralHeader(name, crc, size, 0100644u, 0);
    const QByteArray tail =
        directory + endOfCentralDirectory(1, static_cast<quint32>(directory.size()), directoryOffset);
    std::copy(head.cbegin(), head.cend(), archive.begin());
    std::copy(tail.cbegin(), tail.cend(), archive.begin() + directoryOffset);
    return archive;
}
