#include "core/platform/linux/CodePageConverter.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <optional>

namespace Holmgrave {
namespace Platform {

namespace {

const char* iconvName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::MacRoman:
        return "MACINTOSH";
    case TextEncoding::CodePage932:
        return "CP932";
    case TextEncoding::CodePage936:
        return "CP936";
    case TextEncoding::CodePage949:
        return "CP949";
    case TextEncoding::ShiftJisX0213:
        return "SHIFT_JISX0213";
    case TextEncoding::WindowsLatin1:
        return "CP1252";
    case TextEncoding::MacCentralEurope:
        return "MAC-CENTRALEUROPE";
    case TextEncoding::Utf8:
        return "UTF-8";
    case TextEncoding::Ascii:
        return "ASCII";
    case TextEncoding::Utf16Host:
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
        return "UTF-16BE";
#else
        return "UTF-16LE";
#endif
    }
    return "ASCII";
}

// Owns one conversion descriptor; a descriptor is never shared between calls,
// so conversions on several threads do not interfere.
class Converter
{
public:
    Converter(TextEncoding to, TextEncoding from)
        : m_cd(iconv_open(iconvName(to), iconvName(from)))
    {}
    ~Converter()
    {
        if (valid())
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return m_cd; }

private:
    iconv_t m_cd;
};

} // namespace

TextEncoding encodingForCodePage(std::uint32_t codePage)
{
    switch (codePage) {
    case 0: // the library's default code page, which is Mac Roman
    case 2:
        return TextEncoding::MacRoman;
    case 932:
        return TextEncoding::CodePage932;
    case 936:
        return TextEncoding::CodePage936;
    case 949:
        return TextEncoding::CodePage949;
    case 1252:
        return TextEncoding::WindowsLatin1;
    case 10029:
        return TextEncoding::MacCentralEurope;
    case 65001:
        return TextEncoding::Utf8;
    default:
        return TextEncoding::Ascii;
    }
}

TextEncoding encodingForPlatformValue(std::uint32_t value, bool wideWork)
{
    switch (value) {
    case 0:
        return TextEncoding::MacRoman;
    case 0x0100:
        return TextEncoding::Utf16Host;
    case 0x0500:
        return TextEncoding::WindowsLatin1;
    case 0x0628:
        return TextEncoding::ShiftJisX0213;
    case 29:
        return TextEncoding::MacCentralEurope;
    case 0x08000100:
        return TextEncoding::Utf8;
    case 0xFFFF:
        return wideWork ? TextEncoding::Utf16Host : TextEncoding::Ascii;
    default:
        return TextEncoding::Ascii;
    }
}

namespace {

// Appends the UTF-16 units of `size` bytes in the descriptor's encoding.
bool appendDecoded(const Converter& cd, const char* bytes, std::size_t size, std::u16string& out)
{
    if (size == 0)
        return true;
    // Every supported encoding needs at least one byte per UTF-16 unit.
    std::string buffer(size * 2 + 16, '\0');
    char* in = const_cast<char*>(bytes);
    std::size_t inLeft = size;
    char* outPtr = buffer.data();
    std::size_t outLeft = buffer.size();
    if (iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)
        || iconv(cd.get(), nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
        // EILSEQ or a truncated sequence at the end (EINVAL); the descriptor
        // starts afresh for the caller's next try.
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        return false;
    }
    const std::size_t produced = buffer.size() - outLeft;
    const std::size_t start = out.size();
    out.resize(start + produced / 2);
    std::memcpy(out.data() + start, buffer.data(), produced - produced % 2);
    return true;
}

bool isShiftJisLeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Code page 932 keeps 0x5C and 0x7E as a backslash and a tilde itself, so
// only the characters it leaves undefined (JIS X 0213's rows 0x85, 0x86,
// 0xEB, 0xEC, 0xEF and the ends of others) go to X 0213, one at a time.
bool decodeCodePage932(const char* bytes, std::size_t size, std::u16string& out)
{
    const Converter cp932(TextEncoding::Utf16Host, TextEncoding::CodePage932);
    if (!cp932.valid())
        return false;
    if (appendDecoded(cp932, bytes, size, out))
        return true;
    out.clear();
    const Converter x0213(TextEncoding::Utf16Host, TextEncoding::ShiftJisX0213);
    for (std::size_t i = 0; i < size;) {
        const std::size_t width = isShiftJisLeadByte(static_cast<unsigned char>(bytes[i])) ? 2 : 1;
        if (i + width > size)
            return false; // a lead byte cut off at the end
        if (!appendDecoded(cp932, bytes + i, width, out)
            && !(x0213.valid() && appendDecoded(x0213, bytes + i, width, out)))
            return false;
        i += width;
    }
    return true;
}

// One character (`width` UTF-16 units) into `out`; false when the encoding
// lacks it.
bool encodeCharacter(const Converter& cd, const char16_t* units, std::size_t width, char (&out)[16],
                     std::size_t& produced)
{
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(units));
    std::size_t inLeft = width * 2;
    char* outPtr = out;
    std::size_t outLeft = sizeof out;
    const bool done = iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1)
        && iconv(cd.get(), nullptr, nullptr, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
    produced = sizeof out - outLeft;
    if (!done)
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr); // reset the shift state
    return done;
}

} // namespace

bool decodeToUtf16(const char* bytes, std::size_t size, TextEncoding encoding, std::u16string& out)
{
    out.clear();
    if (size == 0)
        return true;
    if (encoding == TextEncoding::Utf16Host) {
        if (size % 2 != 0)
            return false;
        out.resize(size / 2);
        std::memcpy(out.data(), bytes, size);
        return true;
    }
    if (encoding == TextEncoding::CodePage932)
        return decodeCodePage932(bytes, size, out);
    Converter cd(TextEncoding::Utf16Host, encoding);
    if (!cd.valid())
        return false;
    if (encoding != TextEncoding::ShiftJisX0213)
        return appendDecoded(cd, bytes, size, out);

    // As in code page 932, the single bytes 0x5C and 0x7E are a backslash
    // and a tilde ("AC" 0x5C "DC" is "AC\DC"), where JIS X 0213 alone makes
    // them a yen sign and an overline. Only single bytes: as the second byte
    // of a double-byte character they belong to that character.
    std::size_t segment = 0;
    std::size_t i = 0;
    while (i < size) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (isShiftJisLeadByte(b)) {
            i += 2; // a lead byte cut off at the end fails in appendDecoded
            continue;
        }
        if (b == 0x5C || b == 0x7E) {
            if (!appendDecoded(cd, bytes + segment, i - segment, out))
                return false;
            out.push_back(static_cast<char16_t>(b));
            segment = i + 1;
        }
        ++i;
    }
    return appendDecoded(cd, bytes + segment, std::min(i, size) - segment, out);
}

EncodeOutcome encodeFromUtf16(const char16_t* units, std::size_t count, TextEncoding encoding, char lossByte,
                              char* destination, std::size_t capacity)
{
    EncodeOutcome outcome;
    if (encoding == TextEncoding::Utf16Host) {
        const std::size_t fit = capacity / 2 < count ? capacity / 2 : count;
        std::memcpy(destination, units, fit * 2);
        outcome.bytesWritten = fit * 2;
        outcome.charactersConverted = fit;
        return outcome;
    }
    Converter cd(encoding, TextEncoding::Utf16Host);
    if (!cd.valid()) {
        outcome.failed = true;
        return outcome;
    }
    // What code page 932 lacks is written as JIS X 0213 where 932 leaves
    // those bytes undefined, so that reading them back gives the character.
    std::optional<Converter> x0213;
    std::optional<Converter> readBack;
    if (encoding == TextEncoding::CodePage932) {
        x0213.emplace(TextEncoding::ShiftJisX0213, TextEncoding::Utf16Host);
        readBack.emplace(TextEncoding::Utf16Host, TextEncoding::CodePage932);
    }
    const auto inX0213Only = [&](const char16_t* character, std::size_t width, char (&bytes)[16],
                                 std::size_t& produced) {
        std::u16string ignored;
        return x0213 && x0213->valid() && readBack->valid()
            && encodeCharacter(*x0213, character, width, bytes, produced)
            && !appendDecoded(*readBack, bytes, produced, ignored);
    };

    char scratch[16];
    std::size_t i = 0;
    while (i < count) {
        // One character: a surrogate pair or a single unit.
        std::size_t width = 1;
        const char16_t u = units[i];
        const bool high = u >= 0xD800 && u <= 0xDBFF;
        const bool low = u >= 0xDC00 && u <= 0xDFFF;
        if (high && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF)
            width = 2;

        std::size_t produced = 0;
        bool representable = !(low || (high && width == 1));
        if (representable) {
            representable = encodeCharacter(cd, units + i, width, scratch, produced)
                || inX0213Only(units + i, width, scratch, produced);
        }
        if (!representable) {
            if (lossByte == 0) {
                outcome.failed = true;
                return outcome;
            }
            scratch[0] = lossByte;
            produced = 1;
        }
        if (outcome.bytesWritten + produced > capacity)
            break;
        std::memcpy(destination + outcome.bytesWritten, scratch, produced);
        outcome.bytesWritten += produced;
        outcome.charactersConverted += width;
        i += width;
    }
    return outcome;
}

std::size_t maximumEncodedSize(std::size_t units, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return units * 3;
    case TextEncoding::CodePage932:
    case TextEncoding::ShiftJisX0213:
        return units * 4;
    case TextEncoding::CodePage936:
    case TextEncoding::CodePage949:
    case TextEncoding::Utf16Host:
        return units * 2;
    default:
        return units;
    }
}

} // namespace Platform
} // namespace Holmgrave
