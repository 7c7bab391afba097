#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>

#include "byte_sink.h"
#include "byte_source.h"
#include "run_state.h"

namespace tonvex {

// The track copier's input: a ByteSource whose bytes taken to look ahead (kept in a ReadAhead
// that outlives this view, so they carry over to the next chunk) are handed out first.
class CopierInput {
public:
    static constexpr std::uint64_t kToTheEnd = std::numeric_limits<std::uint64_t>::max();

    CopierInput(ByteSource& in, ReadAhead& ahead) : m_in(in), m_ahead(ahead) {}

    // Reads the next byte; false at the end of the input.
    bool get(std::uint8_t& byte)
    {
        if (m_ahead.Count != 0) [[unlikely]]
            return takeAhead(byte);
        return m_in.get(byte);
    }

    // The bytes get() hands out next straight from the source; empty while bytes looked at
    // ahead are waiting.
    std::span<const std::uint8_t> window() const
    {
        return m_ahead.Count != 0 ? std::span<const std::uint8_t>() : m_in.window();
    }

    // Consumes `count` bytes of window().
    void skip(std::size_t count) { m_in.skip(count); }

    // Offset in the input of the byte get() hands out next.
    std::uint64_t position() const { return m_in.position() - m_ahead.Count; }

    // Copies the next `count` bytes (or all that are left) into `bytes` without consuming
    // them, count at most ReadAhead::kCapacity; returns how many there were, fewer only at
    // the end of the input.
    std::size_t peek(std::uint8_t* bytes, std::size_t count);

    // Copies up to `count` bytes to `out` unchanged, all that are left for kToTheEnd; returns
    // how many were copied.
    std::uint64_t copyTo(ByteSink& out, std::uint64_t count);

private:
    bool takeAhead(std::uint8_t& byte);

    ByteSource& m_in;
    ReadAhead& m_ahead;
};

} // namespace tonvex
