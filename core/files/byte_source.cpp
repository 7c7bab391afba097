#include "byte_source.h"

namespace tonvex {

void ByteSource::setWindow(const std::uint8_t* begin, const std::uint8_t* end)
{
    m_windowStart += static_cast<std::uint64_t>(m_end - m_begin);
    m_begin = begin;
    m_next = begin;
    m_end = end;
}

bool ByteSource::refill()
{
    if (!fill())
        return false;
    return m_next != m_end;
}

} // namespace tonvex
