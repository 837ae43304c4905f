#include "player/engine/export/TrackExport.h"

#include "player/engine/ddp/CdInfo.h"
#include "player/engine/ddp/DDPModel.h"

#include <algorithm>

int trackNumberOf(const DDP::PQDESCR& entry)
{
    return asciiToInt(entry.trackNumber, sizeof entry.trackNumber);
}

int indexNumberOf(const DDP::PQDESCR& entry)
{
    return asciiToInt(entry.indexNumber, sizeof entry.indexNumber);
}

int findTrackEnd(int i, const std::vector<DDP::PQDESCR>& descriptors)
{
    const int count = static_cast<int>(descriptors.size());
    for (int k = i + 1; k < count; ++k) {
        if (indexNumberOf(descriptors[k]) < 2)
            return k;
    }
    return count > 0 ? std::max(i, count - 1) : 0;
}

QString trackFileName(int i, DDPModel& model)
{
    const std::vector<DDP::PQDESCR>& descriptors = model.getDescList();
    const int n = (i >= 0 && i < static_cast<int>(descriptors.size())) ? trackNumberOf(descriptors[i]) : 0;
    const CdText::CdInfo& cdInfo = model.getCdInfo();
    if (n >= 0 && n < static_cast<int>(cdInfo.tracks.size())) {
        const std::string title = CdText::fieldText(cdInfo.tracks[n].title);
        if (!title.empty()) {
            QString text = cdInfo.doubleByte ? QString::fromUtf8(title.data(), static_cast<int>(title.size()))
                                             : QString::fromLatin1(title.data(), static_cast<int>(title.size()));
            for (QChar& c : text) {
                if (c == QLatin1Char('/') || c.unicode() < 0x20 || c.unicode() == 0x7F)
                    c = QLatin1Char('-');
            }
            return QString::number(n) + QLatin1String(" - ") + text + QLatin1String(".wav");
        }
    }
    return QLatin1String("Track ") + QString::number(n) + QLatin1String(".wav");
}
