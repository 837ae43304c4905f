#pragma once

#include <string>

namespace Holmgrave {
namespace Test {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes away.
class TempDir
{
public:
    TempDir();
    // Under `base` instead, whatever TMPDIR is: "/tmp" for a socket, whose
    // path must fit in the 108 bytes of its address.
    explicit TempDir(const std::string& base);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

    // Writes `content` to the named file and returns its full path.
    std::string write(const std::string& name, const std::string& content) const;
    static std::string readAll(const std::string& path);

private:
    std::string m_path;
};

} // namespace Test
} // namespace Holmgrave
