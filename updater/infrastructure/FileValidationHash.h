#pragma once

#include <QObject>
#include <QString>

class Logger;
class QIODevice;

// Checks a device's contents against an expected SHA-256 given as 64
// lower-case hexadecimal characters (the download manager lowers it first).
class FileValidationHash : public QObject {
    Q_OBJECT
public:
    // The device is not owned; validate opens and closes it. Callers pass a
    // regular file only: opening anything else could block.
    FileValidationHash(QIODevice* device, const QString& expectedHash, QObject* parent = nullptr);

    // False on a mismatch and when the device cannot be opened or read to
    // its end.
    bool validate();

    // The lower-case hexadecimal SHA-256 of everything an open device still
    // holds, read in 8192-byte blocks; empty when a read fails.
    static QString sha256Hex(QIODevice* device);

private:
    QIODevice* device_;
    QString expectedHash_;
    Logger* logger_;
};
