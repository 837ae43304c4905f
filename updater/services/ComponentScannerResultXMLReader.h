#pragma once

#include "updater/services/ComponentScannerOutput.h"

#include <QObject>
#include <QString>
#include <QXmlStreamReader>

// Reads the component scan's result file ("scanning-output") into the scan
// output record. Logs nothing; every failure is a false result, and whatever
// was read before it stays in the record.
//
// Threads: one read at a time per reader (the stream reader is reused).
class ComponentScannerResultXMLReader : public QObject {
    Q_OBJECT
public:
    explicit ComponentScannerResultXMLReader(QObject* parent);

    // True when a "scanning-output" element with a well-formed "packages"
    // element was read and the whole file is well-formed XML. Files that are
    // not regular files or larger than kMaxFileBytes are not read.
    virtual bool read(const QString& path, ComponentenScannerScanningOutput& output);

    // The whole file as text; empty when it cannot be read (same rules).
    QString readFileText(const QString& path);

    // A scan result lists a few hundred packages at most.
    static constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

private:
    bool readScanningOutput(ComponentenScannerScanningOutput& output);
    bool readPackages(ComponentenScannerScanningOutput& output);
    bool readPackage(ComponentenScannerPackage& package);
    QString readOriginalInstallerPath();
    QString readInstallerInfo();
    QString readProductId();
    QString readMediumId();
    QString readTextElement(const QString& name);

    QXmlStreamReader xml_;
};
