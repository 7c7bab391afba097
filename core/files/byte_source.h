#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tonvex {

// A forward-only stream of input bytes. Subclasses hand out a window of bytes at a time, so
// reading one byte costs a compare and a load until the window is spent.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

    // Reads the next byte; false at the end of the input or on a read error.
    bool get(std::uint8_t& byte)
    {
        if (m_next == m_end && !refill())
            return false;
        byte = *m_next++;
        return true;
    }

    // The bytes get() will hand out next without refilling; may be empty.
    std::span<const std::uint8_t> window() const { return {m_next, m_end}; }

    // Consumes `count` bytes of window(), as that many get() calls would.
    void skip(std::size_t count) { m_next += count; }

    // Number of bytes handed out by get() so far.
    std::uint64_t position() const { return m_windowStart + static_cast<std::uint64_t>(m_next - m_begin); }

protected:
    ByteSource() = default;

    // Makes [begin, end) the bytes that get() hands out next.
    void setWindow(const std::uint8_t* begin, const std::uint8_t* end);

private:
    // Calls setWindow with the next non-empty run of bytes; false when none are left.
    virtual bool fill() = 0;
    bool refill();

    const std::uint8_t* m_begin = nullptr;
    const std::uint8_t* m_next = nullptr;
    const std::uint8_t* m_end = nullptr;
    std::uint64_t m_windowStart = 0;
};

} // namespace tonvex
