#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Holmgrave {
namespace Core {

// A read-only, non-owning view of 8-bit text. The text need not be
// NUL-terminated; the view never outlives the text it points into.
class string_ref
{
public:
    using size_type = std::uint64_t;
    static constexpr size_type npos = ~size_type(0);

    string_ref() = default;
    string_ref(const char* text);
    string_ref(const std::string& text)
        : m_data(text.data()), m_size(text.size())
    {}
    string_ref(const char* data, size_type size)
        : m_data(data), m_size(size)
    {}

    const char* data() const { return m_data; }
    size_type size() const { return m_size; }
    size_type length() const { return m_size; }
    bool empty() const { return m_size == 0; }
    char operator[](size_type index) const { return m_data[index]; }
    const char* begin() const { return m_data; }
    const char* end() const { return m_data + m_size; }

    size_type find_first_not_of(char c, size_type pos = 0) const;
    size_type find(char c, size_type pos = 0) const;
    size_type find_first_of(string_ref set, size_type pos = 0) const;
    size_type rfind(char c, size_type pos = npos) const;

    // Throws std::out_of_range("string_ref::substr") when pos lies beyond the end.
    string_ref substr(size_type pos, size_type count = npos) const;

    std::string str() const { return m_size ? std::string(m_data, m_size) : std::string(); }

    friend bool operator==(string_ref a, string_ref b);
    friend bool operator!=(string_ref a, string_ref b) { return !(a == b); }

private:
    const char* m_data = nullptr;
    size_type m_size = 0;
};

} // namespace Core
} // namespace Holmgrave
