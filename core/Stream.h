#pragma once

#include "core/IStream.h"

#include <cstdint>
#include <memory>

namespace Holmgrave {
namespace FS {

// How the readers hold an opened file. Copies share the stream; the file
// closes when the last owner lets go. Always built over a non-null stream.
class Stream
{
public:
    explicit Stream(std::shared_ptr<IStream> stream) : m_stream(std::move(stream)) {}

    std::int64_t tell() const { return m_stream->tell(); }
    bool seek(std::int64_t offset, int origin) const { return m_stream->seek(offset, origin); }
    bool eof() const { return m_stream->eof(); }
    bool good() const { return m_stream->good(); }
    std::uint64_t read(void* buffer, std::uint64_t count) const { return m_stream->read(buffer, count); }

    const std::shared_ptr<IStream>& stream() const { return m_stream; }

private:
    std::shared_ptr<IStream> m_stream;
};

} // namespace FS
} // namespace Holmgrave
