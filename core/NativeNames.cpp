// Rules for single names (one path component) on the native file system.

#include "core/NativeFilesystem.h"

namespace Holmgrave {
namespace FS {

using Core::Path;

const std::string& NativeFilesystem::invalidNameCharacters() const
{
    static const std::string invalid("/:*?\t\n\r", 7);
    return invalid;
}

bool NativeFilesystem::isValidName(const Path& name) const
{
    const std::string& text = name.str();
    if (text.empty() || text.size() > 255)
        return false;
    if (text == "." || text == "..")
        return false;
    // NUL is no character of a name either: the system would end the name there.
    return text.find_first_of(invalidNameCharacters()) == std::string::npos && text.find('\0') == std::string::npos;
}

Path NativeFilesystem::makeValidName(const Path& name, char replacement) const
{
    const std::string& invalid = invalidNameCharacters();
    // A replacement that cannot stand in a name would make the result
    // invalid again: an invalid character, NUL, or a backslash (which the
    // Path turns into '/'). '_' takes its place.
    if (replacement == '\0' || replacement == '\\' || invalid.find(replacement) != std::string::npos)
        replacement = '_';
    // The cut is by bytes and may split a multi-byte character.
    Path result = name.str().size() >= 256 ? Path(name.str().substr(0, 255)) : name;
    if (result.empty())
        result = Path(std::string(1, replacement));
    if (result.str() == "..")
        result = Path(std::string(2, replacement));
    else if (result.str() == ".")
        result = Path(std::string(1, replacement));
    std::string text = result.str();
    for (char& c : text) {
        if (c == '\0' || invalid.find(c) != std::string::npos)
            c = replacement;
    }
    return Path(std::move(text));
}

} // namespace FS
} // namespace Holmgrave
