#include "updater/services/ArtifactsFile.h"

#include "updater/infrastructure/SimpleLogger.h"
#include "updater/services/DownloadChoice.h"
#include "updater/services/DownloadChoiceArtifact.h"
#include "updater/services/PlatformIdentifier.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QXmlStreamWriter>

#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <utility>

namespace {

// Characters that XML 1.0 cannot carry at all; QXmlStreamWriter would write
// them as they are and leave a file that no reader accepts.
bool isXmlText(const QString& text)
{
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const ushort u = c.unicode();
        if (u < 0x20 && u != 0x09 && u != 0x0A && u != 0x0D)
            return false;
        if (u == 0xFFFE || u == 0xFFFF)
            return false;
        if (c.isHighSurrogate()) {
            if (i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate())
                return false;
            ++i;
        } else if (c.isLowSurrogate()) {
            return false;
        }
    }
    return true;
}

QString boolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

ArtifactsFile::ArtifactsFile(AbstractWorkingDirectoryProvider* provider, QObject* parent)
    : QObject(parent)
    , logger_(SimpleLogger::getLogger(this))
{
    Q_UNUSED(provider)
}

void ArtifactsFile::addDownloadChoice(DownloadChoice* choice)
{
    if (choice && !choice->artifacts.isEmpty())
        downloadChoices_.append(choice);
}

void ArtifactsFile::setArtifactsFilePath(QString path)
{
    artifactsFilePath_ = std::move(path);
}

QString ArtifactsFile::artifactsFilePath() const
{
    return artifactsFilePath_;
}

void ArtifactsFile::setOriginalInstallerPath(QString path)
{
    originalInstallerPath_ = QDir::toNativeSeparators(path);
}

void ArtifactsFile::setSelectedPlatform(int platform)
{
    if (platform < OSX || platform > PLATFORM_NONE) {
        logger_->error(QStringLiteral("Unknown platform for the ArtifactsFile."), QString::number(platform));
        platform = PLATFORM_NONE;
    }
    selectedPlatform_ = platform;
}

bool ArtifactsFile::ConstructXmlContent(QString* failure)
{
    if (originalInstallerPath_.isEmpty()) {
        *failure = QStringLiteral("Failed to initialize 'installerDirPath'");
        return false;
    }

    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter xml(&buffer);
    xml.setAutoFormatting(true);
    QStringList values; // everything taken from outside, checked below

    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("installer-infos"));
    if (selectedPlatform_ != PLATFORM_NONE) {
        xml.writeTextElement(QStringLiteral("selected-platform"),
                             platformName(static_cast<PlatformIdentifier>(selectedPlatform_)));
    }
    xml.writeTextElement(QStringLiteral("original-installer-path"), originalInstallerPath_);
    values << originalInstallerPath_;
    if (!downloadChoices_.isEmpty()) {
        xml.writeStartElement(QStringLiteral("artifacts"));
        for (const DownloadChoice* choice : qAsConst(downloadChoices_)) {
            for (const DownloadChoiceArtifact* artifact : choice->artifacts) {
                if (!artifact)
                    continue;
                if (artifact->distributions.isEmpty())
                    xml.writeEmptyElement(QStringLiteral("artifact"));
                else
                    xml.writeStartElement(QStringLiteral("artifact"));
                xml.writeAttribute(QStringLiteral("file-format"), artifact->fileExtension());
                xml.writeAttribute(QStringLiteral("download-output-path"), artifact->localFilePath());
                xml.writeAttribute(QStringLiteral("replace"), boolText(artifact->replace));
                xml.writeAttribute(QStringLiteral("update"), boolText(artifact->update));
                xml.writeAttribute(QStringLiteral("upgrade"), boolText(artifact->upgrade));
                xml.writeAttribute(QStringLiteral("fullui"), boolText(artifact->fullUi));
                xml.writeAttribute(QStringLiteral("hidden"), boolText(artifact->hidden));
                values << artifact->fileExtension() << artifact->localFilePath();
                for (const MacDistribution& distribution : artifact->distributions) {
                    if (distribution.packageIds.isEmpty())
                        xml.writeEmptyElement(QStringLiteral("distribution"));
                    else
                        xml.writeStartElement(QStringLiteral("distribution"));
                    xml.writeAttribute(QStringLiteral("rel-path"), distribution.relPath);
                    values << distribution.relPath;
                    for (const QString& id : distribution.packageIds) {
                        xml.writeEmptyElement(QStringLiteral("package"));
                        xml.writeAttribute(QStringLiteral("id"), id);
                        values << id;
                    }
                    if (!distribution.packageIds.isEmpty())
                        xml.writeEndElement(); // distribution
                }
                if (!artifact->distributions.isEmpty())
                    xml.writeEndElement(); // artifact
            }
        }
        xml.writeEndElement(); // artifacts
    }
    xml.writeEndElement(); // installer-infos
    xml.writeEndDocument();

    for (const QString& value : qAsConst(values)) {
        if (!isXmlText(value)) {
            *failure = QStringLiteral("Value cannot be written to XML: '%1'").arg(value.toHtmlEscaped());
            return false;
        }
    }
    xmlContent_ = QString::fromUtf8(bytes);
    logger_->debug(QStringLiteral("Constructed Xml-Content"), xmlContent_);
    return true;
}

bool ArtifactsFile::write()
{
    failure_.clear();
    // Refused here rather than thrown at the caller, who decides what
    // follows.
    if (artifactsFilePath_.isEmpty()) {
        failure_ = QStringLiteral("Failed to initialize 'artifactsFilePath'");
        logger_->error(QStringLiteral("ArtifactFile handling failed."), failure_);
        return false;
    }
    if (!ConstructXmlContent(&failure_)) {
        logger_->error(QStringLiteral("ConstructXmlContent failed."), failure_);
        removeEarlierFile();
        return false;
    }
    logger_->info(QStringLiteral("Writing ArtifactsFile."),
                  QStringLiteral("Writing file at path: '%1'").arg(artifactsFilePath_));
    if (!writeContent(&failure_)) {
        logger_->error(QStringLiteral("ArtifactFile handling failed."), failure_);
        removeEarlierFile();
        return false;
    }
    return true;
}

bool ArtifactsFile::removeEarlierFile()
{
    if (artifactsFilePath_.isEmpty())
        return true;
    // The name only: a link goes, never what it leads to.
    if (::unlink(QFile::encodeName(artifactsFilePath_).constData()) == 0) {
        logger_->info(QStringLiteral("Earlier ArtifactsFile removed."),
                      QStringLiteral("Removed file at path: '%1'").arg(artifactsFilePath_));
        return true;
    }
    const int error = errno;
    // A folder cannot be read as the file.
    if (error == ENOENT || error == EISDIR)
        return true;
    logger_->error(QStringLiteral("ArtifactFile handling failed."),
                   QStringLiteral("Failed to remove file: '%1'").arg(artifactsFilePath_) + QStringLiteral(": ")
                       + QString::fromLocal8Bit(std::strerror(error)));
    return false;
}

QString ArtifactsFile::failure() const
{
    return failure_;
}

bool ArtifactsFile::writeContent(QString* failure)
{
    // Written beside the target and renamed over it once complete, so that a
    // failure leaves the earlier file (or none) rather than half a file.
    QSaveFile file(artifactsFilePath_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        *failure = QStringLiteral("Failed to create file: '%1'").arg(file.fileName());
        return false;
    }
    const QByteArray bytes = xmlContent_.toUtf8();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        *failure = QStringLiteral("Failed to write XML file: '%1'").arg(file.fileName());
        return false;
    }
    if (!file.commit()) {
        *failure = QStringLiteral("Failed to write XML file: '%1'").arg(file.fileName());
        return false;
    }
    return true;
}
