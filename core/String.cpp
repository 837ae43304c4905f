#include "core/String.h"

#include "core/platform/linux/CodePageConverter.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace Holmgrave {

using Platform::TextEncoding;

namespace {

const char emptyText8[1] = {0};
const char16_t emptyText16[1] = {0};

std::size_t length16(const char16_t* text)
{
    std::size_t n = 0;
    while (text[n] != 0)
        ++n;
    return n;
}

bool isHighSurrogate(char16_t u)
{
    return u >= 0xD800 && u <= 0xDBFF;
}

std::string utf16ToUtf8(const char16_t* units, std::size_t count)
{
    std::string out(Platform::maximumEncodedSize(count, TextEncoding::Utf8), '\0');
    const auto outcome = Platform::encodeFromUtf16(units, count, TextEncoding::Utf8, '?', out.data(), out.size());
    out.resize(outcome.bytesWritten);
    return out;
}

} // namespace

// ---------------------------------------------------------------- ConstString

ConstString::ConstString(const char* text, std::uint32_t length)
    : m_buffer(const_cast<char*>(text))
{
    setLength(length);
}

ConstString::ConstString(const char16_t* text, std::uint32_t length)
    : m_buffer(const_cast<char16_t*>(text))
{
    setLength(length);
    setWide(true);
}

std::uint32_t ConstString::length() const
{
    return m_word & lengthMask;
}

const char* ConstString::text8()
{
    if (!isWide() && m_buffer)
        return static_cast<const char*>(m_buffer);
    return emptyText8;
}

const char16_t* ConstString::text16()
{
    if (isWide() && m_buffer)
        return static_cast<const char16_t*>(m_buffer);
    return emptyText16;
}

const char16_t* ConstString::text()
{
    return text16();
}

const void* ConstString::ptr() const
{
    return m_buffer;
}

int ConstString::getChar8(std::uint32_t index)
{
    if (index >= length() || isWide() || !m_buffer)
        return 0;
    return static_cast<signed char>(static_cast<const char*>(m_buffer)[index]);
}

int ConstString::getChar16(std::uint32_t index)
{
    if (index >= length() || !isWide() || !m_buffer)
        return 0;
    return static_cast<const char16_t*>(m_buffer)[index];
}

std::string ConstString::toPlatformString(std::uint32_t encoding, bool /*mutableString*/) const
{
    if (!m_buffer)
        return std::string();
    if (isWide())
        return utf16ToUtf8(static_cast<const char16_t*>(m_buffer), length());
    const TextEncoding from = Platform::encodingForPlatformValue(encoding, false);
    const char* bytes = static_cast<const char*>(m_buffer);
    const std::size_t size = std::strlen(bytes);
    if (from == TextEncoding::Utf8)
        return std::string(bytes, size);
    std::u16string wide;
    if (!Platform::decodeToUtf16(bytes, size, from, wide))
        return std::string();
    return utf16ToUtf8(wide.data(), wide.size());
}

// --------------------------------------------------------------------- String

String::String(const char* text, std::uint32_t codePage, std::int32_t length, bool terminated)
{
    if (!text)
        return;
    if (terminated || length >= 0) {
        std::size_t n;
        if (terminated)
            n = length < 0 ? std::strlen(text) : strnlen(text, static_cast<std::size_t>(length));
        else
            n = static_cast<std::size_t>(length);
        if (n > maxLength)
            n = maxLength;
        if (resize(static_cast<std::uint32_t>(n), false)) {
            if (n)
                std::memcpy(m_buffer, text, n);
            setLength(static_cast<std::uint32_t>(n));
        }
    }
    convertToWide(codePage);
}

String::~String()
{
    release();
}

String::String(const String& other)
    : ConstString()
{
    *this = other;
}

String& String::operator=(const String& other)
{
    if (this == &other)
        return *this;
    release();
    m_word = other.m_word;
    if (other.m_buffer && other.m_allocated) {
        m_buffer = std::malloc(other.m_allocated);
        if (!m_buffer) {
            m_word &= extraBit;
            return *this;
        }
        std::memcpy(m_buffer, other.m_buffer, other.m_allocated);
        m_allocated = other.m_allocated;
    }
    return *this;
}

String::String(String&& other) noexcept
    : ConstString()
{
    *this = std::move(other);
}

String& String::operator=(String&& other) noexcept
{
    if (this == &other)
        return *this;
    release();
    m_buffer = std::exchange(other.m_buffer, nullptr);
    m_allocated = std::exchange(other.m_allocated, 0);
    m_word = other.m_word;
    other.m_word &= extraBit;
    return *this;
}

void String::release()
{
    std::free(m_buffer);
    m_buffer = nullptr;
    m_allocated = 0;
    m_word &= extraBit;
}

const char* String::text8()
{
    if (isWide() && length() != 0)
        convertToNarrow(0);
    return ConstString::text8();
}

const char16_t* String::text16()
{
    if (!isWide() && length() != 0)
        convertToWide(0);
    return ConstString::text16();
}

const char16_t* String::text()
{
    return text16();
}

int String::getChar8(std::uint32_t index)
{
    if (isWide() && length() != 0)
        convertToNarrow(0);
    return ConstString::getChar8(index);
}

int String::getChar16(std::uint32_t index)
{
    if (!isWide() && length() != 0)
        convertToWide(0);
    return ConstString::getChar16(index);
}

bool String::convertToWide(std::uint32_t codePage)
{
    if (isWide())
        return true;
    if (length() != 0 && m_buffer) {
        const char* narrow = static_cast<const char*>(m_buffer);
        const int measure = multiByteToWide(nullptr, narrow, 0, codePage);
        if (measure == 0)
            return false;
        const std::size_t bytes = static_cast<std::size_t>(measure) * 2 + 2;
        auto* wide = static_cast<char16_t*>(std::malloc(bytes));
        if (!wide)
            return false;
        // The destination holds `measure` units and a terminator: the whole
        // text up to its terminator fits, so the result is always terminated.
        const int converted = multiByteToWide(wide, narrow, measure, codePage);
        if (converted < 1) {
            std::free(wide);
            return false;
        }
        std::free(m_buffer);
        m_buffer = wide;
        m_allocated = bytes;
        setLength(static_cast<std::uint32_t>(converted - 1));
    }
    setWide(true);
    return true;
}

bool String::convertToNarrow(std::uint32_t codePage)
{
    if (codePage != 0) {
        // 8-bit text is taken to be in the default code page.
        if (!isWide() && !convertToWide(0))
            return false;
    } else if (!isWide()) {
        return true;
    }
    if (length() != 0 && m_buffer) {
        // Sized for the text up to its terminator, which is what the
        // conversion reads (a filled resize can leave it past the length).
        const TextEncoding encoding = Platform::encodingForCodePage(codePage);
        const std::size_t units = length16(static_cast<const char16_t*>(m_buffer));
        const std::size_t size = Platform::maximumEncodedSize(units, encoding) + 1;
        auto* narrow = static_cast<char*>(std::malloc(size));
        if (!narrow)
            return false;
        const int converted = wideToMultiByte(narrow, static_cast<const char16_t*>(m_buffer), static_cast<int>(size),
                                              codePage);
        if (converted < 1) {
            std::free(narrow);
            return false;
        }
        std::free(m_buffer);
        m_buffer = narrow;
        m_allocated = size;
        setLength(static_cast<std::uint32_t>(std::strlen(narrow)));
    }
    setWide(false);
    return true;
}

bool String::ensureNarrow(std::uint32_t codePage)
{
    if (!isWide() || !m_buffer || length() == 0)
        return true;
    return convertToNarrow(codePage);
}

bool String::resize(std::uint32_t newLength, bool wide, bool fill)
{
    if (newLength > maxLength)
        return false;
    const std::uint32_t oldLength = length();
    if (newLength == 0) {
        std::free(m_buffer);
        m_buffer = nullptr;
        m_allocated = 0;
        setLength(0);
        setWide(wide);
        return true;
    }
    const std::size_t unit = wide ? 2 : 1;
    const std::size_t newSize = (static_cast<std::size_t>(newLength) + 1) * unit;
    if (!m_buffer) {
        void* fresh = std::calloc(newSize, 1);
        if (!fresh)
            return false;
        m_buffer = fresh;
        m_allocated = newSize;
    } else if (m_allocated != newSize) {
        void* grown = std::realloc(m_buffer, newSize);
        if (!grown)
            return false; // the old buffer stays
        // New room reads as the end of the text, never as stale heap bytes.
        if (newSize > m_allocated)
            std::memset(static_cast<char*>(grown) + m_allocated, 0, newSize - m_allocated);
        m_buffer = grown;
        m_allocated = newSize;
    }
    // The length field is kept, except that it never reaches past the new
    // buffer: every accessor bounds its reads by it.
    if (oldLength > newLength)
        setLength(newLength);
    setWide(wide);
    if (wide)
        static_cast<char16_t*>(m_buffer)[newLength] = 0;
    else
        static_cast<char*>(m_buffer)[newLength] = 0;
    if (fill && oldLength < newLength) {
        for (std::uint32_t i = oldLength; i < newLength; ++i) {
            if (wide)
                static_cast<char16_t*>(m_buffer)[i] = u' ';
            else
                static_cast<char*>(m_buffer)[i] = ' ';
        }
    }
    return true;
}

bool String::fromPlatformString(const std::string* platformString, std::uint32_t encoding)
{
    if (!platformString)
        return false;
    std::u16string units;
    if (!Platform::decodeToUtf16(platformString->data(), platformString->size(), TextEncoding::Utf8, units))
        return false;
    const std::size_t n = units.size();
    if (n >= maxLength)
        return false;
    if (isWide()) {
        if (n < 1)
            return false;
        if (!resize(static_cast<std::uint32_t>(n + 1), true))
            return false;
        std::memcpy(m_buffer, units.data(), n * 2);
        static_cast<char16_t*>(m_buffer)[n] = 0;
        setLength(static_cast<std::uint32_t>(n));
        return true;
    }
    const TextEncoding target = Platform::encodingForPlatformValue(encoding, false);
    std::string encoded(Platform::maximumEncodedSize(n, target), '\0');
    const auto outcome = Platform::encodeFromUtf16(units.data(), n, target, 0, encoded.data(), encoded.size());
    if (outcome.failed || outcome.charactersConverted != n || outcome.bytesWritten > maxLength - 1)
        return false;
    if (!resize(static_cast<std::uint32_t>(outcome.bytesWritten + 1), false))
        return false;
    std::memcpy(m_buffer, encoded.data(), outcome.bytesWritten);
    static_cast<char*>(m_buffer)[outcome.bytesWritten] = 0;
    setLength(static_cast<std::uint32_t>(std::strlen(static_cast<const char*>(m_buffer))));
    return true;
}

// ------------------------------------------------------------ free functions

int multiByteToWide(char16_t* destination, const char* text, int destinationSize, std::uint32_t codePage)
{
    if (!text || text[0] == 0) {
        if (destination && destinationSize >= 1)
            destination[0] = 0;
        return 0;
    }
    std::u16string units;
    if (!Platform::decodeToUtf16(text, std::strlen(text), Platform::encodingForCodePage(codePage), units))
        return 0;
    if (!destination)
        return static_cast<int>(units.size()) + 1;
    if (destinationSize <= 0)
        return 0;
    std::size_t n = units.size() < static_cast<std::size_t>(destinationSize) ? units.size()
                                                                             : static_cast<std::size_t>(destinationSize);
    if (n < units.size() && n > 0 && isHighSurrogate(units[n - 1]))
        --n; // never split a surrogate pair
    if (n == 0)
        return 0;
    std::memcpy(destination, units.data(), n * 2);
    if (n < static_cast<std::size_t>(destinationSize))
        destination[n] = 0;
    return static_cast<int>(n) + 1;
}

int wideToMultiByte(char* destination, const char16_t* text, int destinationSize, std::uint32_t codePage)
{
    if (!text)
        return 0;
    const TextEncoding encoding = Platform::encodingForCodePage(codePage);
    const std::size_t units = length16(text);
    if (!destination)
        return static_cast<int>(Platform::maximumEncodedSize(units, encoding));
    if (destinationSize <= 0)
        return 0;
    const auto outcome = Platform::encodeFromUtf16(text, units, encoding, '?', destination,
                                                   static_cast<std::size_t>(destinationSize) - 1);
    destination[outcome.bytesWritten] = 0;
    if (outcome.failed || outcome.charactersConverted == 0)
        return 0;
    return static_cast<int>(std::strlen(destination)) + 1;
}

} // namespace Holmgrave
