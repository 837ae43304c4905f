#pragma once

#include "core/string_ref.h"

#include <cstddef>
#include <string>
#include <vector>

namespace Holmgrave {
namespace FS {

// The regular expression (ECMAScript grammar) for a glob pattern over one
// name: '*' any run of characters, '?' one character (line ends included), "[...]" a class with
// "[!...]" as its negation; every other character stands for itself, so
// regular-expression characters such as '.', '+' or '(' are escaped. A '['
// without its closing ']' is an ordinary character.
std::string globToRegularExpression(const std::string& pattern);

// A glob pattern of the same syntax, matched against one name at a time by a
// matcher of its own: '*' any run of bytes, '?' one byte, a class one byte
// among its members, where "x-y" is the range of bytes from x to y (unsigned)
// and a '-' that ends no range ("[-a]", "[a-]") stands for itself. The
// matcher never backtracks more than to the last '*', so a match takes at
// most (pattern length + 1) x (name length + 1) steps, whatever the pattern.
// A class with a reversed range ("[z-a]") makes the pattern invalid: error()
// says why and nothing matches. Parsing never throws for any text.
class GlobPattern
{
public:
    explicit GlobPattern(const std::string& pattern);

    bool valid() const { return m_error.empty(); }
    // Empty for a valid pattern.
    const std::string& error() const { return m_error; }

    // Whether the whole name matches. |steps|, when given, receives the
    // number of steps the match took.
    bool matches(Core::string_ref name, std::size_t* steps = nullptr) const;

private:
    struct Token
    {
        enum class Kind { byte, any, star, set } kind = Kind::byte;
        unsigned char value = 0;  // for a byte
        std::size_t firstRange = 0;  // for a set: its ranges in m_ranges
        std::size_t rangeCount = 0;
        bool negated = false;
    };
    struct Range
    {
        unsigned char low;
        unsigned char high;
    };

    bool accepts(const Token& token, unsigned char c) const;

    std::vector<Token> m_tokens;
    std::vector<Range> m_ranges;
    std::string m_error;
};

} // namespace FS
} // namespace Holmgrave
