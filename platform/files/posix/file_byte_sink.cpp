#include "file_byte_sink.h"

#include <unistd.h>

#include <cerrno>

namespace tonvex {

bool FileByteSink::writeAll(const std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t put = ::write(m_handle, data, size);
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
