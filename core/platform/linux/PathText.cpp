#include "core/platform/linux/PathText.h"

#include <cerrno>
#include <cstdlib>
#include <memory>

namespace Holmgrave::FS::Detail {

int lastError() { return errno != 0 ? errno : EIO; }

std::string joinName(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string parentOf(const std::string& path)
{
    const std::string p = withoutTrailingSlashes(path);
    const std::size_t slash = p.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return p.substr(0, slash);
}

std::string baseName(const std::string& path)
{
    const std::string p = withoutTrailingSlashes(path);
    const std::size_t slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::string tidyPath(const std::string& path)
{
    if (path.empty())
        return path;
    std::string out = path[0] == '/' ? "/" : "";
    std::size_t pos = 0;
    while (pos < path.size()) {
        std::size_t end = path.find('/', pos);
        if (end == std::string::npos)
            end = path.size();
        const std::string_view part(path.data() + pos, end - pos);
        if (!part.empty() && part != ".") {
            if (!out.empty() && out.back() != '/')
                out.push_back('/');
            out.append(part);
        }
        pos = end + 1;
    }
    return out.empty() ? std::string(".") : out;
}

bool isSameOrInside(std::string_view path, std::string_view folder)
{
    if (folder.size() > 1 && folder.back() == '/')
        folder.remove_suffix(1);
    if (folder == "/")
        return !path.empty() && path[0] == '/';
    return startsWith(path, folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

std::string realPath(const std::string& path)
{
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : std::string();
}

}  // namespace Holmgrave::FS::Detail
