#include "player/engine/export/FileWriterOneTrack.h"

FileWriterOneTrack::FileWriterOneTrack(const QString& outputFileName, const QString& inputFileName,
                                       qint64 startOffset, qint64 endOffset, int track, QObject* parent)
    : FileWriter(outputFileName, inputFileName, startOffset, endOffset, parent)
    , m_track(track)
{
}

void FileWriterOneTrack::run()
{
    exportRange(m_outputFileName, m_startOffset, m_endOffset, m_track);
}
