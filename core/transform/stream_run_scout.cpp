#include "stream_run_scout.h"

#include <algorithm>
#include <utility>

#include "track_copier_input.h"

namespace tonvex {

StreamScout::StreamScout(ReaderOpener openAgain) : m_openAgain(std::move(openAgain)) {}

ByteSource* StreamScout::moveTo(std::uint64_t offset)
{
    if (m_reader && CopierInput(*m_reader, m_ahead).position() > offset) {
        m_reader.reset();
        m_ahead = ReadAhead{};
    }
    if (!m_reader && !m_cannotOpen) {
        m_reader = m_openAgain ? m_openAgain() : nullptr;
        m_cannotOpen = m_reader == nullptr;
    }
    if (!m_reader)
        return nullptr;
    CopierInput input(*m_reader, m_ahead);
    while (input.position() < offset) {
        const std::span<const std::uint8_t> window = input.window();
        if (window.empty()) {
            std::uint8_t ignored = 0;
            if (!input.get(ignored))
                return nullptr;
            continue;
        }
        input.skip(static_cast<std::size_t>(std::min<std::uint64_t>(window.size(), offset - input.position())));
    }
    return m_reader.get();
}

StreamScout::Look StreamScout::bytesAt(std::uint64_t offset, std::uint8_t* bytes, std::size_t count,
                                       std::size_t& found)
{
    found = 0;
    ByteSource* reader = moveTo(offset);
    if (reader == nullptr)
        return m_reader ? Look::Beyond : Look::Unknown;
    found = CopierInput(*reader, m_ahead).peek(bytes, count);
    return Look::Found;
}

} // namespace tonvex
