#pragma once

// Where a track of the descriptor list ends and what its WAV file is called.
// Shared by the export front end and the all-tracks writer; pure functions,
// safe on any thread as long as the model's lists are not being written.

#include "player/engine/ddp/PQDESCR.h"

#include <QString>

#include <vector>

class DDPModel;

int trackNumberOf(const DDP::PQDESCR& entry);
int indexNumberOf(const DDP::PQDESCR& entry);

// The first descriptor after i whose index number is 0 or 1 (the next pause
// or track start). When none follows, the last descriptor, so that a damaged
// list never leads outside it; i itself when i is the last one (an empty
// range). Callers clamp the byte range to the image.
int findTrackEnd(int i, const std::vector<DDP::PQDESCR>& descriptors);

// File name for descriptor i: "n - Title.wav" when the CD-TEXT has a title for
// track n, else "Track n.wav". A "/" in a title would make the name point
// into a folder, and a control character (a TAB, a line break) would make a
// name that shells and file managers show wrongly; each becomes "-".
QString trackFileName(int i, DDPModel& model);
