#include "player/engine/ddp/ImageCheck.h"

#include "player/engine/ddp/EngineConstants.h"
#include "player/engine/ddp/PQDESCR.h"

#include <algorithm>
#include <cstdio>

namespace DDP {

namespace {

std::int64_t positionOf(const PQDESCR& entry)
{
    return static_cast<std::int64_t>(pqTimeToBytePosition(entry));
}

const std::string& fileOfReadError(const std::string& readError)
{
    if (readError == ddpidMissingError)
        return ddpIdFileName;
    if (readError == ddpmsMissingError)
        return ddpMsFileName;
    return pqDescrFileName;
}

Damage damage(Damage::Kind kind, const std::string& file)
{
    Damage d;
    d.kind = kind;
    d.file = file;
    return d;
}

// The descriptor file itself: opened, signed, read whole, long enough.
bool checkDescriptorFile(const Fileset& fileset, const std::string& readError, std::vector<Damage>& found)
{
    if (!readError.empty()) {
        Damage d = damage(Damage::FileUnreadable, fileOfReadError(readError));
        d.error = fileset.openError;
        found.push_back(d);
        return false;
    }
    if (!fileset.pqDescrSigned) {
        Damage d = damage(Damage::NotDescriptors, pqDescrFileName);
        d.bytes = fileset.pqDescrSize;
        found.push_back(d);
        return false;
    }
    const std::int64_t size = fileset.pqDescrSize;
    const auto count = static_cast<std::int64_t>(fileset.descriptors.size());
    if (fileset.pqDescrBytesRead < size && count < static_cast<std::int64_t>(maxDescriptors)) {
        Damage d = damage(Damage::DescriptorsCut, pqDescrFileName);
        d.bytes = size;
        d.at = fileset.pqDescrBytesRead;
        found.push_back(d);
    } else if (count < static_cast<std::int64_t>(minimumDescriptors)
               || size % static_cast<std::int64_t>(sizeof(PQDESCR)) != 0) {
        Damage d = damage(Damage::DescriptorsShort, pqDescrFileName);
        d.bytes = size;
        d.count = count;
        found.push_back(d);
    }
    return count >= 3;
}

// Where each track lies against the end of the audio, as export writes it:
// from its index-01 descriptor to trackEnd(). A track with less than a frame
// before the end lies past it.
void checkTracks(const std::vector<PQDESCR>& list, std::int64_t imageSize, std::vector<Damage>& found)
{
    const int pause = pauseSeconds(list);
    Damage missing = damage(Damage::TracksMissing, imageFileName);
    missing.pauseSeconds = pause;
    bool missingRun = false;
    const auto flushMissing = [&] {
        if (missingRun)
            found.push_back(missing);
        missingRun = false;
    };
    for (std::size_t i = 1; i + 2 < list.size(); ++i) {
        if (asciiToInt(list[i].indexNumber, 2) != 1)
            continue;
        const int track = asciiToInt(list[i].trackNumber, 2);
        const std::int64_t start = positionOf(list[i]);
        const std::int64_t end = trackEnd(i, list);
        if (end <= imageSize || end <= start)
            continue;
        if (start + bytesPerFrame <= imageSize) {
            flushMissing();
            Damage d = damage(Damage::TrackCut, imageFileName);
            d.firstTrack = track;
            d.start = start;
            d.end = end;
            d.at = imageSize;
            d.pauseSeconds = pause;
            found.push_back(d);
            continue;
        }
        if (!missingRun) {
            missingRun = true;
            missing.firstTrack = track;
            missing.start = start;
        }
        missing.lastTrack = track;
        missing.end = end;
    }
    flushMissing();
}

} // namespace

std::int64_t discEnd(const std::vector<PQDESCR>& descriptors)
{
    // The ends of the ranges: descriptors 1 to n - 2. Out of order, the
    // latest of them, so that no track line reaches past the disc's end.
    std::int64_t end = 0;
    for (std::size_t i = 1; i + 1 < descriptors.size(); ++i)
        end = std::max(end, positionOf(descriptors[i]));
    return end;
}

int pauseSeconds(const std::vector<PQDESCR>& descriptors)
{
    if (descriptors.size() < 3)
        return 0;
    return static_cast<int>(positionOf(descriptors[2]) / bytesPerSecond - positionOf(descriptors[1]) / bytesPerSecond);
}

int discSeconds(std::int64_t bytes, int pauseSeconds)
{
    return static_cast<int>(bytes / bytesPerSecond) - pauseSeconds;
}

std::string discTimeText(std::int64_t bytes, int pauseSeconds)
{
    const int seconds = discSeconds(bytes, pauseSeconds);
    const int magnitude = seconds < 0 ? -seconds : seconds;
    char text[16];
    std::snprintf(text, sizeof text, "%s%02d:%02d", seconds < 0 ? "-" : "", magnitude / 60 % 1440, magnitude % 60);
    return text;
}

std::int64_t trackEnd(std::size_t i, const std::vector<PQDESCR>& descriptors)
{
    if (i >= descriptors.size())
        return 0;
    std::size_t k = i + 1;
    while (k < descriptors.size() && asciiToInt(descriptors[k].indexNumber, 2) >= 2)
        ++k;
    // A damaged list without a next start ends at its last descriptor.
    const std::int64_t end = positionOf(descriptors[std::min(k, descriptors.size() - 1)]);
    return std::max(positionOf(descriptors[i]), std::min(end, discEnd(descriptors)));
}

std::vector<Damage> checkDescriptors(const Fileset& fileset, const std::string& readError)
{
    std::vector<Damage> found;
    if (!checkDescriptorFile(fileset, readError, found))
        return found;
    // Every descriptor, the final marker included: a marker may lie after
    // the lead-out, never before it.
    const std::vector<PQDESCR>& list = fileset.descriptors;
    for (std::size_t i = 1; i < list.size(); ++i) {
        if (positionOf(list[i]) < positionOf(list[i - 1])) {
            Damage d = damage(Damage::OutOfOrder, pqDescrFileName);
            d.count = static_cast<std::int64_t>(i) + 1;
            d.firstTrack = asciiToInt(list[i].trackNumber, 2);
            d.at = positionOf(list[i]);
            d.end = positionOf(list[i - 1]);
            d.pauseSeconds = pauseSeconds(list);
            found.push_back(d);
            break;
        }
    }
    return found;
}

void checkAudio(const std::vector<PQDESCR>& descriptors, const ImageFile& image, std::vector<Damage>& found)
{
    if (image.size < 0) {
        Damage d = damage(Damage::FileUnreadable, imageFileName);
        d.error = image.error;
        found.push_back(d);
        return;
    }
    // Fewer descriptors give no range, so no audio is expected.
    if (descriptors.size() < 3)
        return;
    const std::int64_t end = discEnd(descriptors);
    if (image.size < end) {
        Damage d = damage(Damage::ImageShort, imageFileName);
        d.at = image.size;
        d.end = end;
        d.pauseSeconds = pauseSeconds(descriptors);
        found.push_back(d);
        // An empty image has no track to tell apart from the others.
        if (image.size > 0)
            checkTracks(descriptors, image.size, found);
    }
}

std::vector<Damage> checkImage(const Fileset& fileset, const std::string& readError, const ImageFile& image)
{
    std::vector<Damage> found = checkDescriptors(fileset, readError);
    checkAudio(fileset.descriptors, image, found);
    return found;
}

} // namespace DDP
