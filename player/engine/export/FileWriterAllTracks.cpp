#include "player/engine/export/FileWriterAllTracks.h"

#include "player/engine/export/TrackExport.h"
#include "player/engine/ddp/DDPModel.h"
#include "player/engine/ddp/ImageCheck.h"

#include <QDir>

#include <algorithm>
#include <utility>

FileWriterAllTracks::FileWriterAllTracks(const QString& inputFileName, const QString& outputFolder,
                                         std::shared_ptr<DDPModel> model, QObject* parent)
    : FileWriter(QString(), inputFileName, 0, 0, parent)
    , m_model(std::move(model))
    , m_outputFolder(outputFolder)
{
}

void FileWriterAllTracks::run()
{
    if (!m_model)
        return;
    const std::vector<DDP::PQDESCR>& descriptors = m_model->getDescList();
    const int count = static_cast<int>(descriptors.size());
    m_pauseSeconds = DDP::pauseSeconds(descriptors);
    // The last two entries (the last track's end and the lead-out) start no
    // track of their own.
    for (int i = std::max(0, m_model->getIndexOffset()); i < count - 2; ++i) {
        m_processedBytes = 0;
        if (indexNumberOf(descriptors[i]) != 1)
            continue;
        const QString output = QDir(m_outputFolder).absoluteFilePath(trackFileName(i, *m_model));
        const auto startByte = static_cast<qint64>(pqTimeToBytePosition(descriptors[i]));
        const auto endByte = static_cast<qint64>(DDP::trackEnd(static_cast<std::size_t>(i), descriptors));
        if (!exportRange(output, startByte, endByte, trackNumberOf(descriptors[i])))
            return;
    }
}
