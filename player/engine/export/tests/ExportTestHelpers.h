#pragma once

// Small readers for checking exported WAV files against the image they came
// from. Shared by the writer tests of this folder only.

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>

namespace ExportTest {

inline QByteArray readBytes(const QString& path, std::int64_t offset = 0, std::int64_t count = -1)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    file.seek(offset);
    return count < 0 ? file.readAll() : file.read(count);
}

inline QByteArray sha256(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

inline QByteArray imageRangeHash(const std::string& imagePath, std::int64_t start, std::int64_t end)
{
    return sha256(readBytes(QString::fromStdString(imagePath), start, end - start));
}

inline QByteArray wavDataHash(const QString& wavPath) { return sha256(readBytes(wavPath, 44)); }

inline quint32 le32(const QByteArray& bytes, int at)
{
    return quint32(quint8(bytes[at])) | quint32(quint8(bytes[at + 1])) << 8
           | quint32(quint8(bytes[at + 2])) << 16 | quint32(quint8(bytes[at + 3])) << 24;
}

// Every entry of a folder, hidden ones included: temporary files must not
// outlive an export.
inline QStringList allEntries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace ExportTest
