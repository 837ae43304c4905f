#pragma once

// Saves one track, or every track, of the loaded disc image as WAV files: asks
// for the target, remembers its folder under "default_export_dir", and hands
// the copying to a writer on the one export thread, reused for every export,
// while a progress bar in the window shows how far it got.
//
// GUI thread only. One export runs at a time; an export asked for while one
// runs is dropped. When the export has ended, one message tells the user what
// went wrong: the failure, naming the file, and the tracks of a cut image
// that were cut short or not written.
// Destroying the object stops a running export between two blocks and waits
// for the export thread.

#include "player/engine/export/FileWriter.h"

#include <QObject>
#include <QPointer>
#include <QProgressBar>
#include <QString>
#include <QStringList>

#include <memory>

class DDPModel;
class QThread;
class QWidget;

class WavExport : public QObject {
    Q_OBJECT
public:
    // A widget parent (the main window) also parents the dialogs and the bar.
    explicit WavExport(QObject* parent = nullptr);
    ~WavExport() override;

    // The main window hands over its current model before each export.
    void setModel(std::shared_ptr<DDPModel> model);

    // Saves the track of table row `row` of the image in `folder`.
    void exportAsWav(int row, const QString& folder);
    // Saves every track of the image in `folder`.
    void exportAsWavAll(const QString& folder);

    bool isExporting() const { return m_busy; }

signals:
    // After the export thread has stopped; mostly of use to tests.
    void exportEnded();

protected:
    // The dialogs and the message box, overridable so that tests can answer
    // them. An empty text means the user cancelled.
    virtual QString askSaveFileName(const QString& caption, const QString& defaultPath,
                                    const QString& filter);
    virtual QString askExistingDirectory(const QString& caption, const QString& startFolder);
    virtual void showError(const QString& message);

    QThread* exportThread() const { return m_thread; }
    QProgressBar* progressBar() const { return m_progressBar; }

private slots:
    void onThreadFinished();
    // A failure or the report of a cut image, told when the export ends.
    void onWriterMessage(const QString& message);

private:
    void startWriter(FileWriter* writer, bool withProgressBar);
    void showProgressBar(QWidget* parent, FileWriter* writer);
    void connectWriter(FileWriter* writer);

    QWidget* m_parentWidget = nullptr;
    std::shared_ptr<DDPModel> m_model;
    QPointer<QProgressBar> m_progressBar;
    QThread* m_thread = nullptr;
    // Stop flag of the running writer; the writer itself belongs to the
    // export thread and may be gone by the time the GUI thread looks.
    FileWriter::StopFlag m_runningStop;
    bool m_busy = false;
    // What the running writer had to tell, shown when it has ended.
    QStringList m_messages;
};
