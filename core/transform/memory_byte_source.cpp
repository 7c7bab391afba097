#include "memory_byte_source.h"

#include <algorithm>

namespace tonvex {

MemoryByteSource::MemoryByteSource(std::span<const std::uint8_t> bytes, std::size_t windowSize)
    : m_rest(bytes), m_windowSize(std::max<std::size_t>(windowSize, 1))
{
}

bool MemoryByteSource::fill()
{
    if (m_rest.empty())
        return false;
    const std::size_t size = std::min(m_rest.size(), m_windowSize);
    setWindow(m_rest.data(), m_rest.data() + size);
    m_rest = m_rest.subspan(size);
    return true;
}

} // namespace tonvex
