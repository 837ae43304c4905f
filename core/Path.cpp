#include "core/Path.h"

#include <cstring>

namespace Holmgrave {
namespace Core {

namespace {

void convertBackslashes(std::string& text)
{
    char* p = text.data();
    std::size_t n = text.size();
    // Sixteen bytes at a time where memchr finds nothing, byte by byte otherwise.
    while (n >= 16) {
        if (std::memchr(p, '\\', 16)) {
            for (int i = 0; i < 16; ++i) {
                if (p[i] == '\\')
                    p[i] = '/';
            }
        }
        p += 16;
        n -= 16;
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i] == '\\')
            p[i] = '/';
    }
}

bool isAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    // No validation: any other character counts with its own code.
    return static_cast<unsigned char>(c);
}

} // namespace

Path::Path(const char* text)
    : m_text(text ? text : "")
{
    convertBackslashes(m_text);
}

Path::Path(const std::string& text)
    : m_text(text)
{
    convertBackslashes(m_text);
}

Path::Path(std::string&& text)
    : m_text(std::move(text))
{
    convertBackslashes(m_text);
}

Path::Path(string_ref text)
    : m_text(text.str())
{
    convertBackslashes(m_text);
}

Path& Path::append(const std::string& nameText)
{
    const Path name(nameText);
    const std::string& n = name.m_text;
    if (!m_text.empty() && m_text.back() == '/') {
        const std::size_t start = n.find_first_not_of('/');
        if (start == std::string::npos)
            return *this;
        m_text.append(n, start, std::string::npos);
        return *this;
    }
    if (n.empty())
        return *this;
    if (n.front() != '/')
        m_text.push_back('/');
    m_text.append(n);
    return *this;
}

string_ref Path::rootName() const
{
    const string_ref s(m_text);
    const std::size_t n = m_text.size();
    const std::size_t k = (n > 0 && m_text[0] == '/') ? 1 : 0;
    const std::size_t m = k + 2;
    if (n >= m && m_text[k + 1] == ':' && isAsciiLetter(m_text[k])) {
        if (n == m)
            return s;
        if (m_text[m] == '/')
            return s.substr(0, m + 1);
    }
    if (n >= 4 && m_text[0] == '/' && m_text[1] == '/') {
        const auto i = s.find('/', 2);
        if (i != string_ref::npos)
            return s.substr(0, i + 1);
    }
    if (n > 0 && m_text[0] == '/')
        return s.substr(0, 1);
    return string_ref();
}

string_ref Path::relativePart() const
{
    const string_ref s(m_text);
    const auto rest = s.substr(rootName().size());
    const auto start = rest.find_first_not_of('/');
    if (start == string_ref::npos)
        return string_ref();
    return rest.substr(start);
}

std::vector<string_ref> Path::split() const
{
    std::vector<string_ref> segments;
    const string_ref root = rootName();
    if (!root.empty())
        segments.push_back(root);
    const string_ref rel = relativePart();
    string_ref::size_type start = 0;
    while (start < rel.size()) {
        const auto slash = rel.find('/', start);
        const auto end = slash == string_ref::npos ? rel.size() : slash;
        if (end > start)
            segments.push_back(rel.substr(start, end - start));
        start = end + 1;
    }
    return segments;
}

std::string Path::join(const std::vector<string_ref>& segments)
{
    std::string out;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const string_ref seg = segments[i];
        out.append(seg.data() ? seg.data() : "", seg.size());
        if (i + 1 < segments.size() && (seg.empty() || seg[seg.size() - 1] != '/'))
            out.push_back('/');
    }
    return out;
}

string_ref Path::filename() const
{
    const string_ref s(m_text);
    if (rootName().size() == s.size())
        return string_ref();
    const auto slash = s.rfind('/');
    if (slash == string_ref::npos)
        return s;
    return s.substr(slash + 1);
}

std::string percentDecode(string_ref text)
{
    std::string out;
    out.reserve(text.size());
    string_ref::size_type i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '%' && text.size() - i > 2) {
            const int value = 16 * hexValue(text[i + 1]) + hexValue(text[i + 2]);
            out.push_back(static_cast<char>(value & 0xFF));
            i += 3;
        } else {
            out.push_back(c);
            ++i;
        }
    }
    return out;
}

Path removeDotSegments(const Path& path)
{
    const std::vector<string_ref> segments = path.split();
    const bool hasRoot = path.hasRootName();
    std::vector<string_ref> kept;
    kept.reserve(segments.size());
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const string_ref seg = segments[i];
        if (seg == string_ref(".", 1))
            continue;
        if (seg == string_ref("..", 2)) {
            const bool lastIsRoot = hasRoot && kept.size() == 1;
            if (lastIsRoot)
                continue; // nothing lies above the root
            if (!kept.empty() && kept.back() != string_ref("..", 2)) {
                kept.pop_back();
                continue;
            }
        }
        kept.push_back(seg);
    }
    return Path(Path::join(kept));
}

} // namespace Core
} // namespace Holmgrave
