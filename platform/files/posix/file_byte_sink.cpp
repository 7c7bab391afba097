#include "file_byte_sink.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "temporary_file.h"

namespace tonvex {

FileByteSink::FileByteSink(NativeHandle file, std::size_t bufferSize) : m_handle(file)
{
    bufferSize = std::max<std::size_t>(bufferSize, 1);
    m_storage = std::make_unique_for_overwrite<std::uint8_t[]>(bufferSize);
    setBuffer(m_storage.get(), bufferSize);
}

FileByteSink::FileByteSink(TemporaryFile& file, std::span<std::uint8_t> buffer) : m_file(&file)
{
    setBuffer(buffer.data(), buffer.size());
}

bool FileByteSink::write(const std::uint8_t* data, std::size_t size)
{
    if (m_file != nullptr && m_handle == kNoHandle) {
        if (!m_file->create())
            return false;
        m_handle = m_file->handle();
    }
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
