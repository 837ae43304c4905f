#include "TempDir.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include <ftw.h>
#include <unistd.h>

namespace Holmgrave {
namespace Test {

namespace {

int removeEntry(const char* path, const struct stat*, int, struct FTW*)
{
    return ::remove(path);
}

std::string temporaryBase()
{
    const char* base = std::getenv("TMPDIR");
    return base && *base ? base : "/tmp";
}

} // namespace

TempDir::TempDir()
    : TempDir(temporaryBase())
{
}

TempDir::TempDir(const std::string& base)
{
    std::string pattern = base + "/hg_core_test_XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_path = pattern;
}

TempDir::~TempDir()
{
    nftw(m_path.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

std::string TempDir::write(const std::string& name, const std::string& content) const
{
    const std::string full = file(name);
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out)
        throw std::runtime_error("cannot write " + full);
    return full;
}

std::string TempDir::readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace Test
} // namespace Holmgrave
