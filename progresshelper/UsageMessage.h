#pragma once

#include <QStringList>

namespace Skylarn {

// The usage text, one log line per element; blank lines are a single blank.
QStringList usageMessageLines();

} // namespace Skylarn
