#include "track_copier_input.h"

#include <algorithm>
#include <cstring>

namespace tonvex {

bool CopierInput::takeAhead(std::uint8_t& byte)
{
    byte = m_ahead.Bytes[m_ahead.First];
    --m_ahead.Count;
    m_ahead.First = m_ahead.Count == 0 ? 0 : static_cast<std::uint8_t>(m_ahead.First + 1);
    return true;
}

std::size_t CopierInput::peek(std::uint8_t* bytes, std::size_t count)
{
    count = std::min(count, ReadAhead::kCapacity);
    if (m_ahead.Count == 0) {
        const std::span<const std::uint8_t> window = m_in.window();
        if (window.size() >= count) {
            std::memcpy(bytes, window.data(), count);
            return count;
        }
    }
    // Across the window's end: the bytes must be taken from the source and kept.
    std::memmove(m_ahead.Bytes.data(), m_ahead.Bytes.data() + m_ahead.First, m_ahead.Count);
    m_ahead.First = 0;
    for (std::uint8_t byte = 0; m_ahead.Count < count && m_in.get(byte);)
        m_ahead.Bytes[m_ahead.Count++] = byte;
    const std::size_t found = std::min<std::size_t>(count, m_ahead.Count);
    std::memcpy(bytes, m_ahead.Bytes.data(), found);
    return found;
}

std::uint64_t CopierInput::copyTo(ByteSink& out, std::uint64_t count)
{
    std::uint64_t copied = 0;
    while (copied < count) {
        const std::span<const std::uint8_t> window = this->window();
        if (window.empty()) {
            std::uint8_t byte = 0;
            if (!get(byte))
                break;
            out.put(byte);
            ++copied;
            continue;
        }
        const std::span<std::uint8_t> room = out.reserve(1);
        const std::size_t size = static_cast<std::size_t>(
            std::min<std::uint64_t>({count - copied, window.size(), room.size()}));
        std::memcpy(room.data(), window.data(), size);
        out.commit(size);
        skip(size);
        copied += size;
    }
    return copied;
}

} // namespace tonvex
