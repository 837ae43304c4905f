#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One entry of a test ZIP archive: a file (or, when the name ends in "/", a
// folder) with its Unix permission bits. A mode with file-type bits is taken
// as it is: 0120777 makes a symbolic link to the path in content. A damaged
// entry carries a wrong checksum, so unzip writes it and then fails.
struct ZipEntry {
    QString name;
    QByteArray content;
    int mode = 0644;
    bool damaged = false;
};

// Writes a ZIP archive of stored (uncompressed) entries that the system's
// unzip reads, for archives served or unpacked in tests. False when the file
// cannot be written.
bool writeZipArchive(const QString& path, const QList<ZipEntry>& entries);

// A ZIP archive of exactly archiveSize bytes holding one stored file,
// entryName, filled with bytes drawn from seed: the same arguments give the
// same archive. Empty when the size cannot hold the entry's headers.
QByteArray zipArchiveOfSize(const QString& entryName, qint64 archiveSize, quint32 seed);
