#pragma once

// Writes every track of a disc image as its own WAV file into one folder:
// from each index-01 entry to the next pause or track start, so indexes 02
// and up stay inside their track and a pause before the next track is left
// out. Threads and contract: see FileWriter; finished() comes once for the
// whole run, after the last file. The first failure ends the run; files
// written before it stay. Tracks past the end of a cut image are told at
// the end (incomplete()), not failures.

#include "player/engine/export/FileWriter.h"

#include <memory>

class DDPModel;

class FileWriterAllTracks : public FileWriter {
    Q_OBJECT
public:
    // The model's lists are read on the export thread; they are read-only once
    // the image has been opened.
    FileWriterAllTracks(const QString& inputFileName, const QString& outputFolder,
                        std::shared_ptr<DDPModel> model, QObject* parent = nullptr);

    const QString& outputFolder() const { return m_outputFolder; }

protected:
    void run() override;

private:
    std::shared_ptr<DDPModel> m_model;
    QString m_outputFolder;
};
