#include "player/ui/export/WavExport.h"

#include "player/engine/ddp/DDPModel.h"
#include "player/engine/ddp/EngineConstants.h"
#include "player/engine/ddp/FolderFiles.h"
#include "player/engine/ddp/ImageCheck.h"
#include "player/engine/export/FileWriterAllTracks.h"
#include "player/engine/export/FileWriterOneTrack.h"
#include "player/engine/export/TrackExport.h"
#include "player/ui/Constants.h"
#include "player/ui/PlayerSettings.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPalette>
#include <QProgressBar>
#include <QSettings>
#include <QThread>
#include <QWidget>

namespace {

// Single tracks of 300 s and more show a progress bar; shorter ones are done
// before a bar would be worth looking at.
constexpr qint64 progressBarThreshold = 52919999;

} // namespace

WavExport::WavExport(QObject* parent)
    : QObject(parent)
    , m_parentWidget(qobject_cast<QWidget*>(parent))
    , m_thread(new QThread)
{
    m_thread->setObjectName(QStringLiteral("WavExport"));
    connect(m_thread, &QThread::finished, this, &WavExport::onThreadFinished);
}

WavExport::~WavExport()
{
    // Deleting a running QThread is fatal: stop the writer between blocks,
    // end the thread's loop and wait until it has let go of the writer.
    if (m_runningStop)
        m_runningStop->store(true);
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
}

void WavExport::setModel(std::shared_ptr<DDPModel> model)
{
    m_model = std::move(model);
}

QString WavExport::askSaveFileName(const QString& caption, const QString& defaultPath,
                                   const QString& filter)
{
    return QFileDialog::getSaveFileName(m_parentWidget, caption, defaultPath, filter);
}

QString WavExport::askExistingDirectory(const QString& caption, const QString& startFolder)
{
    return QFileDialog::getExistingDirectory(m_parentWidget, caption, startFolder,
                                             QFileDialog::ShowDirsOnly);
}

void WavExport::showError(const QString& message)
{
    QMessageBox::warning(m_parentWidget, tr("WAV export"), message);
}

void WavExport::exportAsWav(int row, const QString& folder)
{
    if (!m_model)
        return;
    const std::unique_ptr<QSettings> settings = openPlayerSettings();
    const std::vector<DDP::PQDESCR> descriptors = m_model->getDescList();
    const int i = m_model->getIndexOffset() + row;
    if (i < 0 || i >= static_cast<int>(descriptors.size()))
        return;

    const QString startFolder = settings->value(defaultExportDirKey).toString();
    const QString defaultPath = QDir(startFolder).absoluteFilePath(trackFileName(i, *m_model));
    const QString path = askSaveFileName(tr("Save Track as WAV"), defaultPath, tr("WAV (*.wav)"));
    if (path.isEmpty())
        return;

    const auto startByte = static_cast<qint64>(pqTimeToBytePosition(descriptors[i]));
    const auto endByte = static_cast<qint64>(DDP::trackEnd(static_cast<std::size_t>(i), descriptors));

    const QFileInfo image(DDP::folderFilePath(folder, DDP::imageFileName));
    if (image.isFile()) {
        auto* writer = new FileWriterOneTrack(path, image.absoluteFilePath(), startByte, endByte,
                                              trackNumberOf(descriptors[i]));
        writer->setPauseSeconds(DDP::pauseSeconds(descriptors));
        startWriter(writer, endByte - startByte > progressBarThreshold);
    } else {
        showError(tr("Could not export \"%1\": the disc image \"%2\" cannot be found.")
                      .arg(QDir::toNativeSeparators(path),
                           QDir::toNativeSeparators(image.absoluteFilePath())));
    }
    storeParentDirectory(path, *settings, defaultExportDirKey);
}

void WavExport::exportAsWavAll(const QString& folder)
{
    if (!m_model)
        return;
    const std::unique_ptr<QSettings> settings = openPlayerSettings();
    const QString target = askExistingDirectory(tr("Save DDP as separated WAV files"),
                                                settings->value(defaultExportDirKey).toString());
    if (target.isEmpty())
        return;

    const QString input = QFileInfo(DDP::folderFilePath(folder, DDP::imageFileName)).absoluteFilePath();
    if (!QFileInfo::exists(target))
        QDir().mkpath(target);
    startWriter(new FileWriterAllTracks(input, target, m_model), true);
    storeParentDirectory(target, *settings, defaultExportDirKey);
}

void WavExport::startWriter(FileWriter* writer, bool withProgressBar)
{
    if (m_busy) {
        // One export at a time; the running one keeps the thread.
        qWarning("WAV export: an export is still running, \"%s\" is not written",
                 qUtf8Printable(writer->outputFileName()));
        delete writer;
        return;
    }
    m_busy = true;
    m_runningStop = writer->stopFlag();
    writer->moveToThread(m_thread);
    if (withProgressBar)
        showProgressBar(m_parentWidget, writer);
    connectWriter(writer);
    m_thread->start();
}

void WavExport::showProgressBar(QWidget* parent, FileWriter* writer)
{
    auto* bar = new QProgressBar(parent);
    QPalette palette = bar->palette();
    palette.setColor(QPalette::All, QPalette::Base, backgroundColor);
    palette.setColor(QPalette::All, QPalette::Text, Qt::white);
    bar->setPalette(palette);
    bar->setRange(0, FileWriter::progressMaximum);
    connect(writer, &FileWriter::processed, bar, &QProgressBar::setValue);
    connect(m_thread, &QThread::finished, bar, &QWidget::hide);
    connect(m_thread, &QThread::finished, bar, &QObject::deleteLater);
    bar->show();
    // Centred with the size it takes on when shown.
    if (parent) {
        bar->move((parent->width() - 1) / 2 - (bar->width() - 1) / 2,
                  (parent->height() - 1) / 2 - (bar->height() - 1) / 2);
    }
    m_progressBar = bar;
}

void WavExport::connectWriter(FileWriter* writer)
{
    connect(m_thread, &QThread::finished, writer, &QObject::deleteLater);
    connect(writer, &FileWriter::finished, m_thread, &QThread::quit);
    connect(writer, &FileWriter::failed, this, &WavExport::onWriterMessage);
    connect(writer, &FileWriter::incomplete, this, &WavExport::onWriterMessage);
    connect(m_thread, &QThread::started, writer, &FileWriter::start);
}

void WavExport::onThreadFinished()
{
    m_busy = false;
    m_runningStop.reset();
    // The writer's signals were sent before the thread ended, so all of them
    // are here: one box tells everything.
    if (!m_messages.isEmpty()) {
        const QString text = m_messages.join(QStringLiteral("\n\n"));
        m_messages.clear();
        showError(text);
    }
    emit exportEnded();
}

void WavExport::onWriterMessage(const QString& message)
{
    m_messages << message;
}
