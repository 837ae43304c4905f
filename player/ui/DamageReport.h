#pragma once

// The words for a damaged image: one line per damage the parser found, for
// the message shown on load, and the line for a track that lies past the end
// of the audio when the user asks for it. Disc times are those of
// "IMAGE.DAT" (mm:ss from its first byte), the times a PQ sheet gives.
// GUI thread (the texts go through the translator).

#include "player/engine/ddp/ImageCheck.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdint>
#include <vector>

class QString;

class DamageReport
{
    Q_DECLARE_TR_FUNCTIONS(DamageReport)

public:
    static QStringList lines(const std::vector<DDP::Damage>& damage);

    // Where the audio of a damaged image ends, in bytes; -1 when every
    // descriptor's range lies within it.
    static std::int64_t audioEnd(const std::vector<DDP::Damage>& damage);

    // Track `track` would start at byte `start`, at or past `audioEnd`; the
    // times on the disc clock (DDP::pauseSeconds).
    static QString trackPastAudio(int track, std::int64_t start, std::int64_t audioEnd, int pauseSeconds);

private:
    static QString line(const DDP::Damage& damage);
    static QString cause(int error);
};
