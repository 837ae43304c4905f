#pragma once

// Finding and opening the files of a DDP folder. The folder comes from
// outside: its files may be named in another case, and any of them may be a
// FIFO, a device or a folder, which must never block or be read as audio.

#include <QString>

#include <string>

namespace DDP {

// The path of the file `name` in `folder`. When no entry has exactly that
// name, an entry whose name matches it ignoring ASCII case stands for it (the
// first in byte order when several do): filesets copied from a disc without
// long-name extensions or from a case-insensitive volume arrive as
// "image.dat", "pqdescr". Without either, the exact path, which does not exist.
std::string folderFilePath(const std::string& folder, const std::string& name);
// The same for a folder and a path in the local 8-bit encoding of file names.
QString folderFilePath(const QString& folder, const std::string& name);

// Opens `path` for reading without ever blocking on it: a descriptor (close
// on exec, reads blocking as usual) only when the path is a regular file, or
// a link to one; -1 otherwise, with errno set (EINVAL for a FIFO, device,
// socket or folder). The caller owns the descriptor.
int openRegularFile(const std::string& path);

} // namespace DDP
