#include "file_byte_sink.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tonvex {

FileByteSink::FileByteSink(int fd, std::size_t bufferSize) : m_fd(fd), m_buffer(std::max<std::size_t>(bufferSize, 1))
{
    setBuffer(m_buffer.data(), m_buffer.size());
}

bool FileByteSink::write(const std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t put = ::write(m_fd, data, size);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false; // ENOSPC, EIO, EBADF, ...
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

} // namespace tonvex
