#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Holmgrave {

// A read-only string holding either 8-bit text in some code page or 16-bit
// text (UTF-16, host byte order). The buffer is not owned and is
// NUL-terminated in its own width; it may be null for an empty string.
class ConstString
{
public:
    static constexpr std::uint32_t maxLength = 0x3FFFFFFF;

    ConstString() = default;
    ConstString(const char* text, std::uint32_t length);
    ConstString(const char16_t* text, std::uint32_t length);
    virtual ~ConstString() = default;

    ConstString(const ConstString&) = default;
    ConstString& operator=(const ConstString&) = default;

    virtual std::uint32_t length() const;
    virtual const char* text8();
    virtual const char16_t* text16();
    virtual const char16_t* text();
    virtual const void* ptr() const;
    virtual int getChar8(std::uint32_t index);
    virtual int getChar16(std::uint32_t index);

    // The text as this platform's string: UTF-8 in a std::string. 16-bit text
    // is converted from UTF-16; 8-bit text is read in `encoding` (a platform
    // encoding value, not a code page; see Platform::encodingForPlatformValue).
    // `mutableString` has no meaning here, as every std::string is mutable.
    // An empty result stands for a text that could not be converted.
    virtual std::string toPlatformString(std::uint32_t encoding, bool mutableString) const;

    bool isWide() const { return (m_word & wideBit) != 0; }
    bool isEmpty() const { return length() == 0; }

protected:
    static constexpr std::uint32_t lengthMask = 0x3FFFFFFF;
    static constexpr std::uint32_t wideBit = 0x40000000;
    static constexpr std::uint32_t extraBit = 0x80000000; // kept, never set here

    void setLength(std::uint32_t length) { m_word = (m_word & ~lengthMask) | (length & lengthMask); }
    void setWide(bool wide) { m_word = wide ? (m_word | wideBit) : (m_word & ~wideBit); }

    void* m_buffer = nullptr;
    std::uint32_t m_word = 0;
};

// Owns its buffer (malloc/realloc/free) and converts between the two forms and
// between code pages. Conversions report failure by returning false and leave
// the text and its form unchanged; nothing throws.
class String : public ConstString
{
public:
    String() = default;
    // Reads at most `length` bytes when a length is given, even when
    // `terminated` is true, so an unterminated buffer is never read past its
    // end; the result is converted to 16-bit text at once.
    String(const char* text, std::uint32_t codePage, std::int32_t length = -1, bool terminated = true);
    ~String() override;

    String(const String& other);
    String& operator=(const String& other);
    String(String&& other) noexcept;
    String& operator=(String&& other) noexcept;

    const char* text8() override;
    const char16_t* text16() override;
    const char16_t* text() override;
    int getChar8(std::uint32_t index) override;
    int getChar16(std::uint32_t index) override;

    bool convertToWide(std::uint32_t codePage);
    bool convertToNarrow(std::uint32_t codePage);
    bool ensureNarrow(std::uint32_t codePage);
    // Sizes the buffer for `newLength` characters of the given width and a
    // terminator at `newLength`. The length field is kept, but cut to
    // `newLength` when it was longer; with `fill`, the characters from the
    // old length up to `newLength` become spaces. Conversions read the text
    // up to its terminator.
    bool resize(std::uint32_t newLength, bool wide, bool fill = false);

    // Replaces the content from a platform string (UTF-8). A 16-bit String
    // takes the UTF-16 form; an 8-bit String takes the text in `encoding` (a
    // platform encoding value). A null string, an empty text for a 16-bit
    // String, or a character the encoding lacks gives false.
    bool fromPlatformString(const std::string* platformString, std::uint32_t encoding);

private:
    void release();

    std::size_t m_allocated = 0; // bytes held at m_buffer
};

// Converts 8-bit text in a code page to UTF-16. With a null destination it
// measures: the units needed plus one. Otherwise it writes at most
// `destinationSize` units and a terminator when room is left, and returns the
// units written plus one, or 0 when the text is not valid in the code page.
int multiByteToWide(char16_t* destination, const char* text, int destinationSize, std::uint32_t codePage);

// Converts NUL-terminated UTF-16 text to a code page; characters the code page
// lacks become '?'. With a null destination it returns the largest size the
// text can need. Otherwise it writes at most destinationSize - 1 bytes and a
// terminator, and returns strlen(destination) + 1, or 0 when nothing converted.
int wideToMultiByte(char* destination, const char16_t* text, int destinationSize, std::uint32_t codePage);

namespace Core {
// The library's plain 8-bit string type for patterns and expressions.
using String = std::string;
} // namespace Core

} // namespace Holmgrave
