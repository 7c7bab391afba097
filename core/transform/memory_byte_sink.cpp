#include "memory_byte_sink.h"

namespace tonvex {

MemoryByteSink::MemoryByteSink(std::size_t capacity) : m_capacity(capacity)
{
    setBuffer(m_buffer.data(), m_buffer.size());
}

bool MemoryByteSink::write(const std::uint8_t* data, std::size_t size)
{
    if (size > m_capacity - m_bytes.size())
        return false;
    m_bytes.insert(m_bytes.end(), data, data + size);
    return true;
}

} // namespace tonvex
