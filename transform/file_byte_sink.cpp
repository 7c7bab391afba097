#include "file_byte_sink.h"

#include <fcntl.h>
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
        m_written += static_cast<std::uint64_t>(put);
    }
    if (m_written - m_writebackFrom >= kWritebackStep) {
        // Only a hint: it fails harmlessly on pipes and devices, and fsync reports real errors.
        ::sync_file_range(m_fd, static_cast<off64_t>(m_writebackFrom), static_cast<off64_t>(m_written - m_writebackFrom),
                          SYNC_FILE_RANGE_WRITE);
        m_writebackFrom = m_written;
    }
    return true;
}

} // namespace tonvex
