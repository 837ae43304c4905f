#pragma once

// Turns a DDP folder into a disc model. GUI thread, while an image is opened.

#include "player/engine/ddp/ImageCheck.h"

#include <memory>
#include <vector>

class DDPModel;
class QString;

namespace Parser {

// Fills the model's descriptor list and CD-TEXT from the folder and returns
// what is damaged in the descriptor files (empty for sound ones). Whatever is
// damaged, the model gets what could be read: a folder without descriptor
// files leaves the descriptor list empty, one without "CDTEXT.BIN" leaves the
// CD-TEXT empty (which is no damage: the CD-TEXT is optional); a damaged
// "CDTEXT.BIN" is reported after the descriptor files, with what of it could
// be read in the model. "IMAGE.DAT" is
// not opened here: the reader that plays it does, and its check
// (DDP::checkAudio) waits for that.
std::vector<DDP::Damage> parseData(const QString& folder, std::shared_ptr<DDPModel> model);

} // namespace Parser
