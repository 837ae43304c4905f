#include "core/string_ref.h"

#include <cstring>
#include <stdexcept>

namespace Holmgrave {
namespace Core {

string_ref::string_ref(const char* text)
{
    if (text) {
        m_data = text;
        m_size = std::strlen(text);
    }
}

string_ref::size_type string_ref::find_first_not_of(char c, size_type pos) const
{
    for (size_type i = pos; i < m_size; ++i) {
        if (m_data[i] != c)
            return i;
    }
    return npos;
}

string_ref::size_type string_ref::find(char c, size_type pos) const
{
    for (size_type i = pos; i < m_size; ++i) {
        if (m_data[i] == c)
            return i;
    }
    return npos;
}

string_ref::size_type string_ref::find_first_of(string_ref set, size_type pos) const
{
    if (set.empty())
        return npos;
    for (size_type i = pos; i < m_size; ++i) {
        if (std::memchr(set.data(), m_data[i], set.size()))
            return i;
    }
    return npos;
}

string_ref::size_type string_ref::rfind(char c, size_type pos) const
{
    if (m_size == 0)
        return npos;
    size_type i = pos < m_size - 1 ? pos : m_size - 1;
    for (;;) {
        if (m_data[i] == c)
            return i;
        if (i == 0)
            return npos;
        --i;
    }
}

string_ref string_ref::substr(size_type pos, size_type count) const
{
    if (pos > m_size)
        throw std::out_of_range("string_ref::substr");
    const size_type rest = m_size - pos;
    return string_ref(m_data ? m_data + pos : nullptr, count < rest ? count : rest);
}

bool operator==(string_ref a, string_ref b)
{
    return a.size() == b.size() && (a.size() == 0 || std::memcmp(a.data(), b.data(), a.size()) == 0);
}

} // namespace Core
} // namespace Holmgrave
