#pragma once

#include "core/string_ref.h"

#include <string>
#include <vector>

namespace Holmgrave {
namespace Core {

// A file name as one 8-bit text with '/' separators. Every '\\' of the source
// text becomes '/' as the Path is made; nothing else is checked or changed.
class Path
{
public:
    Path() = default;
    Path(const char* text);
    Path(const std::string& text);
    Path(std::string&& text);
    explicit Path(string_ref text);

    Path& append(const std::string& name);

    string_ref rootName() const;
    string_ref relativePart() const;
    bool hasRootName() const { return !rootName().empty(); }
    std::vector<string_ref> split() const;
    static std::string join(const std::vector<string_ref>& segments);
    string_ref filename() const;

    const std::string& str() const { return m_text; }
    operator const std::string&() const { return m_text; }
    bool empty() const { return m_text.empty(); }

    friend bool operator==(const Path& a, const Path& b) { return a.m_text == b.m_text; }
    friend bool operator!=(const Path& a, const Path& b) { return a.m_text != b.m_text; }
    friend bool operator<(const Path& a, const Path& b) { return a.m_text < b.m_text; }

private:
    std::string m_text;
};

// Decodes "%XY" escapes. Malformed escapes are processed leniently (a '%' with
// fewer than two characters after it is copied; non-hex digits count by their
// character code), so this never fails.
std::string percentDecode(string_ref text);

// Removes "." and ".." segments, collapses repeated '/' and drops a trailing
// '/'. A ".." never climbs above the root: "/../a" stays "/a".
Path removeDotSegments(const Path& path);

} // namespace Core
} // namespace Holmgrave
