// Feeds arbitrary text through path and URI normalisation. The input is split
// at the first '|' into a base path and a name to append.

#include "core/Path.h"
#include "core/URI.h"
#include "core/string_ref.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using Holmgrave::Core::Path;
using Holmgrave::Core::percentDecode;
using Holmgrave::Core::removeDotSegments;
using Holmgrave::Core::string_ref;
using Holmgrave::Core::URI;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void exercise(const Path& path)
{
    const auto root = path.rootName();
    const auto relative = path.relativePart();
    check(root.size() + relative.size() <= path.str().size());
    const auto segments = path.split();
    const std::string joined = Path::join(segments);
    check(joined.size() <= path.str().size());
    check(path.filename().size() <= path.str().size());

    const Path normal = removeDotSegments(path);
    check(normal.str().find('\\') == std::string::npos);
    check(normal.str().size() <= path.str().size());
    // A second pass may still shorten an empty-host root ("///" to "/"), but never lengthens.
    check(removeDotSegments(normal).str().size() <= normal.str().size());
    // Nothing climbs above a root.
    if (path.hasRootName())
        check(normal.str().rfind("..", 0) != 0 || normal.hasRootName());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::size_t bar = text.find('|');
    const Path base(text.substr(0, bar));
    exercise(base);

    if (bar != std::string::npos) {
        Path appended = base;
        appended.append(text.substr(bar + 1));
        check(appended.str().size() <= base.str().size() + (size - bar - 1) + 1);
        exercise(appended);
    }

    const std::string decoded = percentDecode(string_ref(text.data(), text.size()));
    check(decoded.size() <= text.size());

    const URI fromPath(base);
    check(fromPath.scheme().empty());
    check(fromPath.path() == removeDotSegments(base));
    URI encoded;
    const bool accepted = encoded.setEncodedPath(string_ref(text.data(), text.size()));
    check(accepted == (decoded.find('\0') == std::string::npos));
    check(encoded.path() == (accepted ? removeDotSegments(Path(decoded)) : Path()));
    return 0;
}
