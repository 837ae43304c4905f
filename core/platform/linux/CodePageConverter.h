#pragma once

// The one place where the core library converts text between code pages.
// On macOS the strings went through CoreFoundation; here glibc's iconv does
// the work. Nothing outside this folder includes <iconv.h>.

#include <cstddef>
#include <cstdint>
#include <string>

namespace Holmgrave {
namespace Platform {

enum class TextEncoding
{
    MacRoman,
    CodePage932,   // Microsoft's Shift-JIS; JIS X 0213 for what it leaves undefined
    CodePage936,   // Microsoft's GBK, a superset of GB 2312
    CodePage949,   // Microsoft's Unified Hangul Code, a superset of KS C 5601 (EUC-KR)
    ShiftJisX0213,
    WindowsLatin1,
    MacCentralEurope,
    Utf8,
    Ascii,
    Utf16Host, // UTF-16 in host byte order, the library's 16-bit form
};

// Code page number -> encoding: 0 (the default) and 2 Mac Roman, 932, 936
// and 949 those code pages, 1252 Windows Latin 1, 10029 Mac Central
// European, 65001 UTF-8, any other ASCII. Code page 932 is Microsoft's, as Windows and
// CD-TEXT's MS-JIS write it (its NEC and IBM rows hold kanji such as 髙 and
// 﨑); a character that it leaves undefined is read, and written, as JIS
// X 0213. The single bytes 0x5C and 0x7E are a backslash and a tilde, not a
// yen sign and an overline, in both directions and also for Shift-JIS X0213.
TextEncoding encodingForCodePage(std::uint32_t codePage);

// Platform encoding values (the numbers CoreFoundation used: 0 Mac Roman,
// 0x0100 UTF-16, 0x0500 Windows Latin 1, 0x0600 ASCII, 0x0628 Shift-JIS X0213,
// 29 Mac Central European, 0x08000100 UTF-8) -> encoding. 0xFFFF stands for
// ASCII in 8-bit work and the 16-bit form in 16-bit work; unknown values map
// to ASCII.
TextEncoding encodingForPlatformValue(std::uint32_t value, bool wideWork);

// Decodes bytes into UTF-16 units (host order). Strict: returns false when
// any byte sequence is not valid in the encoding; `out` is then unspecified.
bool decodeToUtf16(const char* bytes, std::size_t size, TextEncoding encoding, std::u16string& out);

struct EncodeOutcome
{
    std::size_t bytesWritten = 0;
    std::size_t charactersConverted = 0;
    bool failed = false; // strict mode met an unrepresentable character
};

// Encodes UTF-16 units into at most `capacity` bytes at `destination`,
// character by character, stopping before a character that would not fit.
// With lossByte != 0 a character the encoding lacks (or a lone surrogate)
// becomes lossByte; with lossByte == 0 such a character fails the encoding.
// Writes no terminator.
EncodeOutcome encodeFromUtf16(const char16_t* units, std::size_t count, TextEncoding encoding, char lossByte,
                              char* destination, std::size_t capacity);

// Upper bound on the bytes that `units` UTF-16 units need in the encoding.
std::size_t maximumEncodedSize(std::size_t units, TextEncoding encoding);

} // namespace Platform
} // namespace Holmgrave
