#pragma once

#include <QString>

namespace Skylarn {

// The localised page path: every ".htm" in the path, folder names included,
// gets "_" and the language specifier put in front of it, so
// "/path/to/index.html" with "de" becomes "/path/to/index_de.html".
QString localizedWebsitePath(const QString &path, const QString &languageSpecifier);

} // namespace Skylarn
