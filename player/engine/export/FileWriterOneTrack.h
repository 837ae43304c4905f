#pragma once

// Writes one byte range of "IMAGE.DAT", prepared by the export front end, as
// one WAV file. Threads and contract: see FileWriter.

#include "player/engine/export/FileWriter.h"

class FileWriterOneTrack : public FileWriter {
    Q_OBJECT
public:
    // startOffset and endOffset: the range [start, end) of the input file,
    // the audio of track `track` (named in the report of a cut image).
    FileWriterOneTrack(const QString& outputFileName, const QString& inputFileName,
                       qint64 startOffset, qint64 endOffset, int track = 0, QObject* parent = nullptr);

protected:
    void run() override;

private:
    int m_track = 0;
};
