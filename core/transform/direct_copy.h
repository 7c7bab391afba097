#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "midi_bytes.h"
#include "note_table.h"

namespace tonvex {

// The track copier's direct path: copies whole events from an input window to an output
// buffer, the byte after each note-off or note-on status looked up in a NoteTable, every
// other byte as read. It keeps its own running status and leaves the rest (end of track,
// events across the window's end, anything malformed) to the byte-by-byte path.
class DirectCopy {
public:
    // The longest channel event is a four-byte delta, a status and two data bytes. Each event
    // is copied as one block of this size, the bytes past its end written again by the next.
    static constexpr std::size_t kBlock = 8;

    struct Cursor {
        std::size_t Done = 0;    // bytes copied
        std::uint8_t Status = 0; // running status after them; 0 while there is none
    };

    enum class Stop {
        Other,    // before an event it does not copy; `proceed` has been called for that one
        BlockEnd, // fewer than kBlock bytes left; `proceed` not yet called for the next event
        Refused,  // `proceed` returned false before the next event
    };

    // Copies from `from` to `to`, both `size` bytes long, starting with running status `status`.
    DirectCopy(const std::uint8_t* from, std::uint8_t* to, std::size_t size, const NoteTable& table,
               std::uint8_t status);

    // Copies events one after the other, calling `proceed` after each, before the next, until
    // it returns false or the next event is one it does not copy: one starting fewer than
    // kBlock bytes before the end, with a delta time of more than four bytes, a channel event
    // needing a running status when there is none, a sysex or meta event not wholly in the
    // buffers, end of track, a meta type not accepted, or a system common or real-time byte.
    // Sysex and meta events are copied whole and leave the running status alone. The caller
    // has done what `proceed` does for the first event.
    template <typename Proceed>
    Stop run(Proceed&& proceed);

    Cursor cursor() const { return m_cursor; }

private:
    // The length of the variable-length quantity at `bytes`, 1..4; 0 when it runs on past four
    // bytes. `bytes` must hold four bytes. Branches rather than bit tricks: predicted
    // branches let the next event's loads start before this one's bytes have arrived.
    static std::size_t quantityLength(const std::uint8_t* bytes)
    {
        if ((bytes[0] & midi::kStatusBit) == 0) [[likely]]
            return 1;
        for (std::size_t size = 1; size < midi::kMaxQuantityBytes; ++size) {
            if ((bytes[size] & midi::kStatusBit) == 0)
                return size + 1;
        }
        return 0;
    }

    // The whole size of the sysex or meta event at `event` whose delta time takes `delta`
    // bytes, when all of it is among the `available` bytes there (at least kBlock) and it is
    // not the end of the track; 0 for anything else, malformed events included.
    static std::size_t lengthPrefixedSize(const std::uint8_t* event, std::size_t delta, std::size_t available)
    {
        std::size_t at = delta;
        const std::uint8_t status = event[at++];
        if (status == midi::kMeta) {
            const std::uint8_t type = event[at++];
            if (type == midi::kMetaEndOfTrack || !midi::isAcceptedMetaType(type))
                return 0;
        } else if (status != midi::kSysEx && status != midi::kSysExEscape) {
            return 0;
        }
        if (available - at < midi::kMaxQuantityBytes)
            return 0;
        const std::size_t lengthBytes = quantityLength(event + at);
        if (lengthBytes == 0)
            return 0;
        std::size_t length = 0;
        for (std::size_t i = 0; i < lengthBytes; ++i)
            length = (length << 7) | (event[at + i] & midi::kDataBits);
        at += lengthBytes;
        return length <= available - at ? at + length : 0;
    }

    const std::uint8_t* m_from;
    std::uint8_t* m_to;
    std::size_t m_size;
    const NoteTable& m_table;
    Cursor m_cursor;
};

// Not inlined: on its own the loop keeps all it needs in registers across the hook calls.
template <typename Proceed>
[[gnu::noinline]] DirectCopy::Stop DirectCopy::run(Proceed&& proceed)
{
    static_assert(kBlock >= midi::kMaxQuantityBytes + 3);
    if (m_size - m_cursor.Done < kBlock || m_size < kBlock)
        return Stop::Other;
    // Locals in the loop, but for the running status: its byte stores may alias any member as
    // far as the compiler knows.
    const std::uint8_t* in = m_from + m_cursor.Done;
    std::uint8_t* out = m_to + m_cursor.Done;
    const std::uint8_t* const end = m_from + m_size;
    const std::uint8_t* const last = end - kBlock; // the last place a whole block starts
    const std::uint8_t status = m_cursor.Status; // kept in m_cursor, as it seldom changes
    const std::uint8_t* firstByteMap = status != 0 ? m_table.forStatus(status) : nullptr;
    std::size_t dataBytes = status != 0 ? static_cast<std::size_t>(midi::channelDataBytes(status)) : 0;
    Stop stop = Stop::Other;
    for (;;) {
        const std::size_t delta = quantityLength(in);
        if (delta == 0) [[unlikely]]
            break;
        const std::uint8_t lead = in[delta];
        std::size_t first = delta; // where the first data byte is
        if (lead & midi::kStatusBit) [[unlikely]] {
            if (lead >= midi::kSysEx) {
                const std::size_t size = lengthPrefixedSize(in, delta, static_cast<std::size_t>(end - in));
                if (size == 0)
                    break;
                std::memcpy(out, in, size);
                in += size;
                out += size;
                if (in > last) {
                    stop = Stop::BlockEnd;
                    break;
                }
                if (!proceed()) {
                    stop = Stop::Refused;
                    break;
                }
                continue;
            }
            m_cursor.Status = lead;
            firstByteMap = m_table.forStatus(lead);
            dataBytes = static_cast<std::size_t>(midi::channelDataBytes(lead));
            ++first;
        } else if (dataBytes == 0) [[unlikely]] {
            break; // running status before any status byte
        }
        std::memcpy(out, in, kBlock);
        out[first] = firstByteMap[in[first]];
        in += first + dataBytes;
        out += first + dataBytes;
        if (in > last) [[unlikely]] {
            stop = Stop::BlockEnd;
            break;
        }
        if (!proceed()) [[unlikely]] {
            stop = Stop::Refused;
            break;
        }
    }
    m_cursor.Done = static_cast<std::size_t>(in - m_from);
    return stop;
}

} // namespace tonvex
