#pragma once

// Turns a DDP folder into a disc model. GUI thread, while an image is opened.

#include <memory>

class DDPModel;
class QString;

namespace Parser {

// Fills the model's descriptor list and CD-TEXT from the folder. Reports
// nothing: a folder without descriptor files leaves the descriptor list
// empty, one without "CDTEXT.BIN" leaves the CD-TEXT empty. Damaged files give
// an empty or partial model, never a failure.
void parseData(const QString& folder, std::shared_ptr<DDPModel> model);

} // namespace Parser
