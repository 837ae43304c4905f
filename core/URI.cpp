#include "core/URI.h"

namespace Holmgrave {
namespace Core {

URI::URI(const Path& path)
{
    setPath(path);
}

void URI::setPath(const Path& path)
{
    m_path = removeDotSegments(path);
}

bool URI::setEncodedPath(string_ref text)
{
    const std::string decoded = percentDecode(text);
    if (decoded.find('\0') != std::string::npos) {
        m_path = Path();
        return false;
    }
    setPath(Path(decoded));
    return true;
}

bool operator==(const URI& a, const URI& b)
{
    return a.m_scheme == b.m_scheme && a.m_authority == b.m_authority && a.m_path == b.m_path
        && a.m_query == b.m_query && a.m_fragment == b.m_fragment;
}

} // namespace Core
} // namespace Holmgrave
