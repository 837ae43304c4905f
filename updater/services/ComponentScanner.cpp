#include "updater/services/ComponentScanner.h"

#include "updater/infrastructure/SimpleLogger.h"
#include "updater/services/ComponentScannerResultXMLReader.h"
#include "updater/services/ContextCollectStarter.h"

#include <QDir>

ComponentScanner::ComponentScanner(const QString& workingDirectory, ComponentScannerResultXMLReader* reader,
                                   ContextCollectStarter* collector, const QString& installerDirPath,
                                   QObject* parent)
    : AbstractComponentScanner(parent)
    , installerDirPath_(installerDirPath)
    , workingDirectory_(workingDirectory)
    , collector_(collector)
    , reader_(reader)
    , logger_(SimpleLogger::getLogger(this))
{
}

ComponentScanner::~ComponentScanner()
{
    if (collector_)
        collector_->deleteLater();
    if (reader_)
        reader_->deleteLater();
}

QString ComponentScanner::defaultArtifactsFilePath()
{
    return QDir::homePath() + QStringLiteral("/.pathwarden-installer-info.xml");
}

bool ComponentScanner::scan()
{
    artifactsFilePath_ = defaultArtifactsFilePath();
    const QString resultPath = workingDirectory_ + QStringLiteral("result.xml");
    bool ok = collector_->start(installerDirPath_, resultPath);
    if (ok) {
        ok = reader_->read(resultPath, output_);
        // A result without an installer-information path keeps the default:
        // the file must be written somewhere.
        if (ok && !output_.installerInfo().isEmpty())
            artifactsFilePath_ = output_.installerInfo();
    }
    resultXml_ = reader_->readFileText(resultPath);
    return ok;
}

void ComponentScanner::cancel()
{
    collector_->cancel();
}

QString ComponentScanner::installerDirPath()
{
    return installerDirPath_;
}

QString ComponentScanner::resultXml()
{
    return resultXml_;
}

QString ComponentScanner::artifactsFilePath()
{
    return artifactsFilePath_;
}
