#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "byte_sink.h"
#include "byte_source.h"
#include "run_state.h"

namespace tonvex {

// Opens a second reader of a run's input from its first byte; nullptr when it cannot.
using ReaderOpener = std::function<std::unique_ptr<ByteSource>()>;

// A second reader of a run's input, going ahead of the copy to see what lies further on at a
// chunk boundary: the bytes at a chunk's declared end, or whether a chunk reads cleanly. It
// is opened on first use, only moves forward (it is opened again to look behind itself) and
// holds a small buffer, so memory does not grow with the file.
class StreamScout {
public:
    enum class Look {
        Found,     // the bytes are there (fewer than asked only at the end of the input)
        Beyond,    // the input ends before the offset
        Unknown,   // there is no second reader
    };

    explicit StreamScout(ReaderOpener openAgain);

    // Copies up to `count` (at most ReadAhead::kCapacity) bytes at `offset` into `bytes`,
    // setting `found` to how many there were; Beyond or Unknown when it cannot.
    Look bytesAt(std::uint64_t offset, std::uint8_t* bytes, std::size_t count, std::size_t& found);

    // The second reader moved to `offset`, with its bytes taken ahead in ahead(); nullptr when
    // the input ends before `offset` or there is no second reader.
    ByteSource* moveTo(std::uint64_t offset);

    // The bytes the second reader has taken ahead, to be handed out before its own.
    ReadAhead& ahead() { return m_ahead; }

    // Where a copy made only to check the input goes.
    ByteSink& discard() { return m_discard; }

private:
    // Takes every byte and keeps none.
    class DiscardingSink final : public ByteSink {
    public:
        DiscardingSink() { setBuffer(m_buffer.data(), m_buffer.size()); }

    private:
        bool write(const std::uint8_t*, std::size_t) override { return true; }
        std::array<std::uint8_t, 4096> m_buffer; // written, never read: left unfilled
    };

    ReaderOpener m_openAgain;
    std::unique_ptr<ByteSource> m_reader;
    ReadAhead m_ahead;
    DiscardingSink m_discard;
    bool m_cannotOpen = false;
};

} // namespace tonvex
