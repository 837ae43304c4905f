#include "player/ui/DamageReport.h"

#include "player/engine/ddp/EngineConstants.h"
#include "player/ui/DDPModelAdapter.h"

#include <QString>
#include <QtGlobal>

#include <cerrno>

namespace {

// On the table's clock, from the end of the first pause.
QString discTime(std::int64_t bytes, int pauseSeconds)
{
    return QString::fromStdString(DDP::discTimeText(bytes, pauseSeconds));
}

QString at(const DDP::Damage& d, std::int64_t bytes)
{
    return discTime(bytes, d.pauseSeconds);
}

QString file(const DDP::Damage& d)
{
    return QString::fromStdString(d.file);
}

QString track(int number)
{
    return twoDigitNumber(number);
}

} // namespace

// The system's words for an open that failed; a FIFO or folder in a file's
// place has no words of its own.
QString DamageReport::cause(int error)
{
    if (error == EINVAL)
        return tr("it is not a regular file");
    return qt_error_string(error != 0 ? error : EIO);
}

QString DamageReport::line(const DDP::Damage& d)
{
    using DDP::Damage;
    switch (d.kind) {
    case Damage::FileUnreadable:
        if (d.file == DDP::imageFileName)
            return tr("%1 cannot be read: %2. There is no audio to play.").arg(file(d), cause(d.error));
        if (d.file == DDP::pqDescrFileName)
            return tr("%1 cannot be read: %2. Without it no track can be listed.")
                .arg(file(d), cause(d.error));
        if (d.file == DDP::cdTextFileName)
            return tr("%1 cannot be read: %2. Its texts are not shown.").arg(file(d), cause(d.error));
        return tr("%1 cannot be read: %2. Without it PQDESCR is not read, so no track can be listed.")
            .arg(file(d), cause(d.error));
    case Damage::NotDescriptors:
        if (d.bytes == 0)
            return tr("%1 is empty. No track can be listed.").arg(file(d));
        return tr("%1 holds %2 bytes but no PQ descriptors: it does not begin with \"VVVS\". No track can be "
                  "listed.")
            .arg(file(d))
            .arg(d.bytes);
    case Damage::DescriptorsShort:
        if (d.count < static_cast<std::int64_t>(DDP::minimumDescriptors))
            return tr("%1 is too short: it holds %2 bytes, but a disc needs at least %3 descriptors of 64 "
                      "bytes. No track can be listed.")
                .arg(file(d))
                .arg(d.bytes)
                .arg(DDP::minimumDescriptors);
        return tr("%1 ends inside a descriptor: %2 bytes are no whole number of 64-byte descriptors, so its "
                  "last descriptor is incomplete.")
            .arg(file(d))
            .arg(d.bytes);
    case Damage::DescriptorsCut:
        return tr("%1 could be read only up to byte %2 of %3; the descriptors after it are missing.")
            .arg(file(d))
            .arg(d.at)
            .arg(d.bytes);
    case Damage::OutOfOrder:
        return tr("%1: descriptor %2 (track %3) lies at %4, earlier than the descriptor before it at %5.")
            .arg(file(d))
            .arg(d.count)
            .arg(track(d.firstTrack), at(d, d.at), at(d, d.end));
    case Damage::ImageShort:
        if (d.at == 0)
            return tr("%1 is empty but the disc runs to %2. There is no audio to play.")
                .arg(file(d), at(d, d.end));
        return tr("%1 ends at %2 but the disc runs to %3.").arg(file(d), at(d, d.at), at(d, d.end));
    case Damage::TrackCut:
        return tr("Track %1 (%2 to %3) is cut off at %4.")
            .arg(track(d.firstTrack), at(d, d.start), at(d, d.end), at(d, d.at));
    case Damage::TextPackCut:
        return tr("%1 ends inside a pack: %2 bytes are no whole number of 18-byte packs, so its last pack is "
                  "incomplete.")
            .arg(file(d))
            .arg(d.bytes);
    case Damage::TextSizeInfoMissing:
        if (d.count < 2)
            return tr("%1 holds no size information (the packs of type 0x8F that close its first block), so "
                      "its texts are not shown.")
                .arg(file(d));
        return tr("%1 ends inside the size information of its first block: %2 of its 3 packs of type 0x8F "
                  "are there.")
            .arg(file(d))
            .arg(d.count);
    case Damage::TracksMissing:
        if (d.firstTrack == d.lastTrack)
            return tr("Track %1 (%2 to %3) is missing.")
                .arg(track(d.firstTrack), at(d, d.start), at(d, d.end));
        return tr("Tracks %1 to %2 (%3 to %4) are missing.")
            .arg(track(d.firstTrack), track(d.lastTrack), at(d, d.start), at(d, d.end));
    }
    return QString();
}

QStringList DamageReport::lines(const std::vector<DDP::Damage>& damage)
{
    QStringList lines;
    for (const DDP::Damage& d : damage)
        lines << line(d);
    return lines;
}

std::int64_t DamageReport::audioEnd(const std::vector<DDP::Damage>& damage)
{
    for (const DDP::Damage& d : damage) {
        if (d.kind == DDP::Damage::ImageShort)
            return d.at;
        if (d.kind == DDP::Damage::FileUnreadable && d.file == DDP::imageFileName)
            return 0;
    }
    return -1;
}

QString DamageReport::trackPastAudio(int number, std::int64_t start, std::int64_t audioEnd, int pauseSeconds)
{
    return tr("Track %1 starts at %2, but %3 ends at %4: there is nothing to play.")
        .arg(track(number), discTime(start, pauseSeconds), QString::fromStdString(DDP::imageFileName),
             discTime(audioEnd, pauseSeconds));
}
