#include "file_byte_sink.h"

#include <algorithm>

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
    return writeAll(data, size);
}

} // namespace tonvex
