#pragma once

#include "core/Path.h"
#include "core/string_ref.h"

#include <string>

namespace Holmgrave {
namespace Core {

// Addresses the file-system facade. The scheme selects the file-system handler;
// an empty scheme means the native file system.
class URI
{
public:
    URI() = default;

    // Keeps the path's bytes: a folder named "100%Final" stays reachable. Only
    // "." and ".." segments, repeated '/' and a trailing '/' are normalised.
    explicit URI(const Path& path);

    // Replaces the path by the normalised form of the given Path (no decoding).
    void setPath(const Path& path);
    // For percent-encoded text: decodes first, then normalises as setPath.
    // Text that decodes to a NUL byte, which no file name holds and which
    // would cut the path short where it reaches the system, is refused: the
    // path becomes empty and the result is false.
    bool setEncodedPath(string_ref text);

    void setScheme(std::string scheme) { m_scheme = std::move(scheme); }
    void setAuthority(std::string authority) { m_authority = std::move(authority); }
    void setQuery(std::string query) { m_query = std::move(query); }
    void setFragment(std::string fragment) { m_fragment = std::move(fragment); }

    const std::string& scheme() const { return m_scheme; }
    const std::string& authority() const { return m_authority; }
    const Path& path() const { return m_path; }
    const std::string& query() const { return m_query; }
    const std::string& fragment() const { return m_fragment; }

    friend bool operator==(const URI& a, const URI& b);
    friend bool operator!=(const URI& a, const URI& b) { return !(a == b); }

private:
    std::string m_scheme;
    std::string m_authority;
    Path m_path;
    std::string m_query;
    std::string m_fragment;
};

} // namespace Core
} // namespace Holmgrave
