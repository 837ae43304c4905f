#pragma once

#include "updater/services/AbstractComponentScanner.h"
#include "updater/services/ComponentScannerOutput.h"

class ComponentScannerResultXMLReader;
class ContextCollectStarter;
class Logger;

// The component scan: runs the collector script over the medium folder,
// reads its "result.xml" from the working folder and keeps the file's text
// and the installer-information path it names.
//
// Ownership: owns the reader and the collector handed to it and releases
// them with deferred deletion; the logger belongs to the logging hub.
// Threads: one thread at a time; scan blocks until the script has ended.
// cancel may come from any other thread meanwhile.
class ComponentScanner : public AbstractComponentScanner {
    Q_OBJECT
public:
    // workingDirectory ends with a separator.
    ComponentScanner(const QString& workingDirectory, ComponentScannerResultXMLReader* reader,
                     ContextCollectStarter* collector, const QString& installerDirPath, QObject* parent);
    ~ComponentScanner() override;

    bool scan() override;
    void cancel() override;
    QString installerDirPath() override;
    QString resultXml() override;
    // The path the last scan named; a hidden default file in the home
    // folder when the scan failed or its result named none.
    QString artifactsFilePath() override;

    static QString defaultArtifactsFilePath();

private:
    QString installerDirPath_;
    QString resultXml_;
    QString artifactsFilePath_ = QStringLiteral("");
    QString workingDirectory_;
    ComponentenScannerScanningOutput output_;
    ContextCollectStarter* collector_;
    ComponentScannerResultXMLReader* reader_;
    Logger* logger_;
};
