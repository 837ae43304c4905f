// Feeds arbitrary text through the glob matcher. The input is split at the
// first '|' into a pattern and a name. Short ASCII inputs are also matched
// by the regular expression that the pattern translates into, which must
// agree.

#include "core/Glob.h"
#include "core/string_ref.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <regex>
#include <string>

using Holmgrave::Core::string_ref;
using Holmgrave::FS::GlobPattern;
using Holmgrave::FS::globToRegularExpression;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Bytes on which std::regex and the matcher read ranges alike (the regular
// expression compares signed chars).
bool plainAscii(const std::string& text)
{
    for (const char c : text)
        if (c <= 0)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::size_t bar = text.find('|');
    const std::string pattern = text.substr(0, bar);
    const std::string name = bar == std::string::npos ? std::string() : text.substr(bar + 1);

    const GlobPattern glob(pattern);
    std::size_t steps = 0;
    const bool matched = glob.matches(string_ref(name.data(), name.size()), &steps);
    check(steps <= (pattern.size() + 1) * (name.size() + 1));
    check(glob.valid() || (!matched && !glob.error().empty()));

    if (pattern.size() <= 12 && name.size() <= 12 && plainAscii(pattern) && plainAscii(name)) {
        try {
            const std::regex expression(globToRegularExpression(pattern));
            check(glob.valid());
            check(std::regex_match(name, expression) == matched);
        } catch (const std::regex_error& e) {
            // The translation leaves only reversed ranges for the engine to refuse.
            check(e.code() == std::regex_constants::error_range && !glob.valid());
        }
    }
    return 0;
}
