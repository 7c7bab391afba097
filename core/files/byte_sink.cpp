#include "byte_sink.h"

namespace tonvex {

void ByteSink::setBuffer(std::uint8_t* begin, std::size_t size)
{
    m_begin = begin;
    m_next = begin;
    m_end = begin + size;
}

void ByteSink::drain()
{
    if (!m_failed && m_next != m_begin)
        m_failed = !write(m_begin, static_cast<std::size_t>(m_next - m_begin));
    m_next = m_begin;
}

bool ByteSink::flush()
{
    drain();
    return !m_failed;
}

} // namespace tonvex
