#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tonvex {

// A forward-only stream of output bytes, buffered by the subclass. A failed write is kept:
// failed() stays true and later bytes are dropped, so callers may check once per event.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    ByteSink(const ByteSink&) = delete;
    ByteSink& operator=(const ByteSink&) = delete;

    void put(std::uint8_t byte)
    {
        if (m_next == m_end)
            drain();
        *m_next++ = byte;
    }

    // The whole free part of the buffer, at least `count` bytes (drained first when less is
    // left), to be written directly and then committed with commit(); empty when the buffer
    // is smaller than that.
    std::span<std::uint8_t> reserve(std::size_t count)
    {
        if (static_cast<std::size_t>(m_end - m_next) < count)
            drain();
        if (static_cast<std::size_t>(m_end - m_next) < count)
            return {};
        return {m_next, m_end};
    }

    // Takes the first `count` bytes of reserve()'s room as output.
    void commit(std::size_t count) { m_next += count; }

    // Passes every buffered byte on; false if this or any earlier write failed.
    bool flush();

    bool failed() const { return m_failed; }

protected:
    ByteSink() = default;

    // The buffer put() fills; owned by the subclass, at least one byte long.
    void setBuffer(std::uint8_t* begin, std::size_t size);

private:
    // Writes `size` bytes on; false on failure.
    virtual bool write(const std::uint8_t* data, std::size_t size) = 0;
    void drain();

    std::uint8_t* m_begin = nullptr;
    std::uint8_t* m_next = nullptr;
    std::uint8_t* m_end = nullptr;
    bool m_failed = false;
};

} // namespace tonvex
