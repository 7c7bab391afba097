#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

#include "byte_sink.h"
#include "byte_source.h"
#include "direct_copy.h"
#include "midi_bytes.h"
#include "note_mapping.h"
#include "note_table.h"
#include "preset.h"
#include "run_state.h"
#include "run_status.h"
#include "track_copier_input.h"

namespace tonvex::detail {

// A hook for runs without one: every event goes on.
inline constexpr auto kGoOn = [] { return true; };

// The refusal texts, short and lower-case: "meta type 0x80 at byte 1234".
std::string describeAt(const char* what, std::uint64_t offset);
std::string describeByteAt(const char* what, std::uint8_t value, std::uint64_t offset);

// Calls the yield hook and checks the sink before the next event or unchanged bytes: Written
// to go on, else the status the copy ends with (Cancelled or CannotWrite).
template <class Hook>
RunStatus checkpoint(Hook& yield, const ByteSink& out)
{
    if (!yield())
        return RunStatus::Cancelled;
    return out.failed() ? RunStatus::CannotWrite : RunStatus::Written;
}

// Copies one track chunk for CopyTrackChunk, calling `Hook` (callable as bool()) before every
// event. Templated on the hook so that the compiler can inline it into the copy loops; the
// hook is taken by reference and must outlive the copier.
// Reads by the Standard MIDI File rules, event by event up to the end of track. A track chunk
// also ends without an end-of-track event where its length field says, when an event ends
// there and the next track chunk or the end of the input follows.
template <class Hook>
class TrackCopier {
public:
    TrackCopier(ByteSource& in, ByteSink& out, RunState& state, const Preset& preset, const NoteTable& table,
                Hook& yield)
        : m_in(in, state.Ahead), m_out(out), m_state(state), m_preset(preset), m_table(table), m_yield(yield)
    {
    }

    RunStatus copyChunk()
    {
        for (;;) {
            const std::uint64_t start = m_in.position();
            ChunkId id{};
            std::size_t got = 0;
            while (got < id.size() && m_in.get(id[got]))
                ++got;
            if (got == 0)
                return refuse(describeAt("missing track at byte", start));
            if (got < id.size())
                return refuse(describeAt("truncated chunk at byte", start));
            const bool isTrack = id == midi::kTrackId;
            if (!isTrack && !isAlienChunkId(id))
                return refuse(describeAt("not a chunk at byte", start));
            if (!isTrack) { // an alien chunk may be long: let the caller's events run
                if (const RunStatus stop = checkpoint(m_yield, m_out); stop != RunStatus::Written)
                    return stop;
            }
            for (const std::uint8_t byte : id)
                m_out.put(byte);
            std::uint32_t length = 0;
            for (int i = 0; i < 4; ++i) {
                std::uint8_t byte = 0;
                if (!copy(byte))
                    return refuse(describeAt("truncated chunk at byte", start));
                length = (length << 8) | byte;
            }
            if (isTrack) {
                m_state.TrackEnd = m_in.position() + length;
                return copyEvents();
            }
            if (m_in.copyTo(m_out, length) != length)
                return refuse(describeAt("truncated chunk at byte", start));
        }
    }

private:
    using ChunkId = std::array<std::uint8_t, 4>;

    // An identifier players skip: four printable ASCII bytes.
    static bool isAlienChunkId(const ChunkId& id)
    {
        for (const std::uint8_t byte : id) {
            if (byte < ' ' || byte > '~')
                return false;
        }
        return id != midi::kTrackId;
    }

    RunStatus refuse(std::string why)
    {
        m_state.Refusal = std::move(why);
        return RunStatus::CannotRead;
    }

    // At the chunk's declared end, between two events: whether the next track chunk or the
    // end of the input follows, so that the chunk ends here.
    bool chunkEndsHere()
    {
        ChunkId next{};
        const std::size_t found = m_in.peek(next.data(), next.size());
        return found == 0 || (found == next.size() && next == midi::kTrackId);
    }

    bool copy(std::uint8_t& byte)
    {
        if (!m_in.get(byte))
            return false;
        m_out.put(byte);
        return true;
    }

    bool copy()
    {
        std::uint8_t byte = 0;
        return copy(byte);
    }

    enum class Quantity { Read, TooLong, Cut };

    // Copies a variable-length quantity byte for byte.
    Quantity copyQuantity(std::uint32_t& value)
    {
        value = 0;
        for (int i = 0; i < midi::kMaxQuantityBytes; ++i) {
            std::uint8_t byte = 0;
            if (!copy(byte))
                return Quantity::Cut;
            value = (value << 7) | (byte & midi::kDataBits);
            if ((byte & midi::kStatusBit) == 0)
                return Quantity::Read;
        }
        return Quantity::TooLong;
    }

    // The data bytes of a channel message whose status is `status`, the first one given.
    bool copyChannelData(std::uint8_t status, std::uint8_t first)
    {
        m_out.put(m_state.LastStatusIsNote ? mapNote(m_preset, first, m_state.CurrentChannel) : first);
        return midi::channelDataBytes(status) == 1 || copy();
    }

    // The length and data of a sysex or meta event starting at `eventStart`; false with the
    // refusal set when they are malformed or cut off.
    bool copyLengthPrefixed(std::uint64_t eventStart)
    {
        const std::uint64_t at = m_in.position();
        std::uint32_t length = 0;
        const Quantity quantity = copyQuantity(length);
        if (quantity == Quantity::TooLong) {
            refuse(describeAt("length over four bytes at byte", at));
            return false;
        }
        if (quantity == Quantity::Cut || m_in.copyTo(m_out, length) != length) {
            refuse(describeAt("truncated track at byte", eventStart));
            return false;
        }
        return true;
    }

    // Copies events straight from the input window to the output buffer, as the byte-by-byte
    // path below would, while both hold the next event whole (see DirectCopy::run) and it
    // starts before the chunk's declared end, where the byte-by-byte path looks ahead. The
    // caller has yielded for the first event; the hook is called before each further one
    // (with the sink unchanged in between, so it cannot fail there). Other means that the
    // event next is to be copied byte by byte, its hook call done.
    DirectCopy::Stop copyChannelEventsDirectly()
    {
        std::span<const std::uint8_t> window = m_in.window();
        const std::uint64_t at = m_in.position();
        if (at < m_state.TrackEnd && m_state.TrackEnd - at < window.size())
            window = window.first(static_cast<std::size_t>(m_state.TrackEnd - at));
        if (window.size() < DirectCopy::kBlock)
            return DirectCopy::Stop::Other;
        const std::span<std::uint8_t> room = m_out.reserve(DirectCopy::kBlock);
        if (room.empty() || m_out.failed())
            return DirectCopy::Stop::Other;
        DirectCopy copy(window.data(), room.data(), std::min(window.size(), room.size()), m_table,
                        m_state.RunningStatus);
        const DirectCopy::Stop stop = copy.run([&yield = m_yield] { return yield(); });
        const DirectCopy::Cursor end = copy.cursor();
        m_in.skip(end.Done);
        m_out.commit(end.Done);
        if (end.Status != 0) {
            m_state.RunningStatus = end.Status;
            m_state.LastStatusIsNote = end.Status < midi::kPolyPressure;
            m_state.CurrentChannel = (end.Status & midi::kChannelMask) + 1;
        }
        return stop;
    }

    RunStatus copyEvents()
    {
        bool yielded = false; // the hook has been called for the next event
        for (;;) {
            // A direct copy that yielded stopped short of the declared end: no look needed.
            if (!yielded) {
                if (m_in.position() == m_state.TrackEnd && chunkEndsHere())
                    return m_out.failed() ? RunStatus::CannotWrite : RunStatus::Written;
                if (const RunStatus stop = checkpoint(m_yield, m_out); stop != RunStatus::Written)
                    return stop;
            }
            yielded = false;
            switch (copyChannelEventsDirectly()) {
            case DirectCopy::Stop::Refused:
                return RunStatus::Cancelled;
            case DirectCopy::Stop::BlockEnd:
                continue;
            case DirectCopy::Stop::Other:
                break;
            }
            const std::uint64_t start = m_in.position();
            std::uint32_t delta = 0;
            switch (copyQuantity(delta)) {
            case Quantity::Read:
                break;
            case Quantity::TooLong:
                return refuse(describeAt("delta time over four bytes at byte", start));
            case Quantity::Cut:
                return refuse(describeAt("truncated track at byte", start));
            }
            const std::uint64_t statusAt = m_in.position();
            std::uint8_t status = 0;
            if (!m_in.get(status))
                return refuse(describeAt("truncated track at byte", start));

            if ((status & midi::kStatusBit) == 0) {
                // Running status: `status` is the first data byte of a repeated message.
                if (m_state.RunningStatus == 0)
                    return refuse(describeAt("running status without a status at byte", statusAt));
                if (!copyChannelData(m_state.RunningStatus, status))
                    return refuse(describeAt("truncated track at byte", start));
            } else if (status < midi::kSysEx) {
                m_state.RunningStatus = status;
                m_state.LastStatusIsNote = status < midi::kPolyPressure;
                m_state.CurrentChannel = (status & midi::kChannelMask) + 1;
                m_out.put(status);
                std::uint8_t first = 0;
                if (!m_in.get(first) || !copyChannelData(status, first))
                    return refuse(describeAt("truncated track at byte", start));
            } else if (status == midi::kSysEx || status == midi::kSysExEscape) {
                m_out.put(status);
                if (!copyLengthPrefixed(start))
                    return RunStatus::CannotRead;
            } else if (status == midi::kMeta) {
                m_out.put(status);
                const std::uint64_t typeAt = m_in.position();
                std::uint8_t type = 0;
                if (!copy(type))
                    return refuse(describeAt("truncated track at byte", start));
                if (!midi::isAcceptedMetaType(type))
                    return refuse(describeByteAt("meta type", type, typeAt));
                if (!copyLengthPrefixed(start))
                    return RunStatus::CannotRead;
                if (type == midi::kMetaEndOfTrack)
                    return m_out.failed() ? RunStatus::CannotWrite : RunStatus::Written;
            } else {
                // System common and real-time bytes have no place in a file.
                return refuse(describeByteAt("status", status, statusAt));
            }
        }
    }

    CopierInput m_in;
    ByteSink& m_out;
    RunState& m_state;
    const Preset& m_preset;
    const NoteTable& m_table;
    Hook& m_yield;
};

} // namespace tonvex::detail
