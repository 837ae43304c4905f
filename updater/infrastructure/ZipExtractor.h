#pragma once

#include <QFileInfo>
#include <QObject>
#include <QString>

// Unpacks a ZIP archive. Implementations block their caller until the
// unpacking ends or a time limit passes, log their outcome and never throw.
class ZipExtractor : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The archive is always unpacked next to itself (next to the target of a
    // symbolic link); folder receives that folder. True only when the
    // unpacking program ended within the time limit and reported success: a
    // damaged entry leaves a half-unpacked folder, which the caller removes.
    virtual bool extract(QFileInfo archive, QString& folder) = 0;
};
