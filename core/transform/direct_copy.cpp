#include "direct_copy.h"

namespace tonvex {

DirectCopy::DirectCopy(const std::uint8_t* from, std::uint8_t* to, std::size_t size, const NoteTable& table,
                       std::uint8_t status)
    : m_from(from), m_to(to), m_size(size), m_table(table), m_cursor{0, status}
{
}

} // namespace tonvex
