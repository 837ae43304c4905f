#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One entry of a test ZIP archive: a file (or, when the name ends in "/", a
// folder) with its Unix permission bits.
struct ZipEntry {
    QString name;
    QByteArray content;
    int mode = 0644;
};

// Writes a ZIP archive of stored (uncompressed) entries that the system's
// unzip reads, for archives served or unpacked in tests. False when the file
// cannot be written.
bool writeZipArchive(const QString& path, const QList<ZipEntry>& entries);

// A ZIP archive of exactly archiveSize bytes holding one stored file,
// entryName, filled with bytes drawn from seed: the same arguments give the
// same archive. Empty when the size cannot hold the entry's headers.
QByteArray zipArchiveOfSize(const QString& entryName, qint64 archiveSize, quint32 seed);
