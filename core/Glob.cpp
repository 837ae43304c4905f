#include "core/Glob.h"

namespace Holmgrave {
namespace FS {

namespace {

bool isRegexSpecial(char c)
{
    switch (c) {
    case '.': case '+': case '(': case ')': case '^': case '$': case '{': case '}': case '|': case '\\':
    case '*': case '?': case '[': case ']':
        return true;
    default:
        return false;
    }
}

// Where the class opened at |open| ends, the index of its ']', or npos when
// the '[' is an ordinary character. A class runs to the first ']' after its
// first member, so "[]a]" holds ']' and 'a'. |first| receives the index of
// the first member, |negated| whether the class begins with '!'.
std::size_t classEnd(const std::string& pattern, std::size_t open, std::size_t& first, bool& negated)
{
    first = open + 1;
    negated = first < pattern.size() && pattern[first] == '!';
    if (negated)
        ++first;
    return first < pattern.size() ? pattern.find(']', first + 1) : std::string::npos;
}

} // namespace

std::string globToRegularExpression(const std::string& pattern)
{
    std::string out;
    out.reserve(pattern.size() * 2);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        // "[\s\S]" is any character: ECMAScript's '.' leaves out line ends,
        // which a file name may hold.
        if (c == '*') {
            out += "[\\s\\S]*";
        } else if (c == '?') {
            out += "[\\s\\S]";
        } else if (c == '[') {
            std::size_t first = 0;
            bool negated = false;
            const std::size_t close = classEnd(pattern, i, first, negated);
            if (close == std::string::npos) {
                out += "\\[";
                continue;
            }
            out += negated ? "[^" : "[";
            for (std::size_t k = first; k < close; ++k) {
                const char m = pattern[k];
                if (m == '\\' || m == ']' || m == '[' || (m == '^' && k == first))
                    out += '\\';
                out += m;
            }
            out += ']';
            i = close;
        } else {
            if (isRegexSpecial(c))
                out += '\\';
            out += c;
        }
    }
    return out;
}

GlobPattern::GlobPattern(const std::string& pattern)
{
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        Token token;
        if (c == '*') {
            if (!m_tokens.empty() && m_tokens.back().kind == Token::Kind::star)
                continue;  // "**" is "*"
            token.kind = Token::Kind::star;
        } else if (c == '?') {
            token.kind = Token::Kind::any;
        } else if (c == '[') {
            std::size_t first = 0;
            bool negated = false;
            const std::size_t close = classEnd(pattern, i, first, negated);
            if (close == std::string::npos) {
                token.value = static_cast<unsigned char>(c);
            } else {
                token.kind = Token::Kind::set;
                token.negated = negated;
                token.firstRange = m_ranges.size();
                // Members from left to right: "x-y" is a range when a member
                // follows the '-' inside the class, as in the regular
                // expression above.
                for (std::size_t k = first; k < close;) {
                    const auto low = static_cast<unsigned char>(pattern[k]);
                    if (k + 2 < close && pattern[k + 1] == '-') {
                        const auto high = static_cast<unsigned char>(pattern[k + 2]);
                        if (high < low && m_error.empty()) {
                            m_error = "the class \"" + pattern.substr(i, close + 1 - i)
                                + "\" holds the reversed range \"" + pattern.substr(k, 3) + "\"";
                        }
                        m_ranges.push_back(Range{low, high});
                        k += 3;
                    } else {
                        m_ranges.push_back(Range{low, low});
                        ++k;
                    }
                }
                token.rangeCount = m_ranges.size() - token.firstRange;
                i = close;
            }
        } else {
            token.value = static_cast<unsigned char>(c);
        }
        m_tokens.push_back(token);
    }
}

bool GlobPattern::accepts(const Token& token, unsigned char c) const
{
    switch (token.kind) {
    case Token::Kind::byte:
        return c == token.value;
    case Token::Kind::any:
        return true;
    case Token::Kind::set:
        for (std::size_t r = token.firstRange; r < token.firstRange + token.rangeCount; ++r) {
            if (m_ranges[r].low <= c && c <= m_ranges[r].high)
                return !token.negated;
        }
        return token.negated;
    case Token::Kind::star:
        break;
    }
    return false;
}

// Every token but '*' takes exactly one byte, so when a match fails after a
// '*' only that last '*' needs to take one byte more: an earlier '*' could
// only shift what the later one would take anyway.
bool GlobPattern::matches(Core::string_ref name, std::size_t* steps) const
{
    std::size_t count = 0;
    bool matched = false;
    if (valid()) {
        const std::size_t none = m_tokens.size();
        std::size_t t = 0;
        std::size_t n = 0;
        std::size_t star = none;  // the last '*' met
        std::size_t starTook = 0; // where the name stood after what it took
        for (;;) {
            ++count;
            if (n == name.size()) {
                while (t < m_tokens.size() && m_tokens[t].kind == Token::Kind::star) {
                    ++t;
                    ++count;
                }
                matched = t == m_tokens.size();
                break;
            }
            if (t < m_tokens.size() && m_tokens[t].kind == Token::Kind::star) {
                star = t++;
                starTook = n;
            } else if (t < m_tokens.size() && accepts(m_tokens[t], static_cast<unsigned char>(name[n]))) {
                ++t;
                ++n;
            } else if (star != none) {
                t = star + 1;
                n = ++starTook;
            } else {
                break;
            }
        }
    }
    if (steps != nullptr)
        *steps = count;
    return matched;
}

} // namespace FS
} // namespace Holmgrave
