#include "file_byte_source.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tonvex {

FileByteSource::FileByteSource(const std::string& path, std::size_t bufferSize)
    : m_file(::open(path.c_str(), O_RDONLY | O_CLOEXEC)),
      m_storage(std::make_unique_for_overwrite<std::uint8_t[]>(std::max<std::size_t>(bufferSize, 1))),
      m_buffer(m_storage.get(), std::max<std::size_t>(bufferSize, 1))
{
}

FileByteSource::FileByteSource(const std::string& path, std::span<std::uint8_t> buffer)
    : m_file(::open(path.c_str(), O_RDONLY | O_CLOEXEC)), m_buffer(buffer)
{
}

bool FileByteSource::fill()
{
    if (!m_file.isOpen())
        return false;
    for (;;) {
        const ssize_t got = ::read(m_file.get(), m_buffer.data(), m_buffer.size());
        if (got > 0) {
            setWindow(m_buffer.data(), m_buffer.data() + got);
            return true;
        }
        if (got < 0 && errno == EINTR)
            continue;
        return false; // end of file, or a read error such as EISDIR or EIO
    }
}

} // namespace tonvex
