#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "byte_sink.h"
#include "byte_source.h"
#include "direct_copy.h"
#include "midi_bytes.h"
#include "note_mapping.h"
#include "note_table.h"
#include "preset.h"
#include "run_state.h"
#include "run_status.h"

namespace tonvex::detail {

// A hook for runs without one: every event goes on.
inline constexpr auto kGoOn = [] { return true; };

// Copies one track chunk for CopyTrackChunk, calling `Hook` (callable as bool()) before every
// event. Templated on the hook so that the compiler can inline it into the copy loops; the
// hook is taken by reference and must outlive the copier.
// Reads by the Standard MIDI File rules, strictly, event by event up to the end of track.
template <class Hook>
class TrackCopier {
public:
    TrackCopier(ByteSource& in, ByteSink& out, RunState& state, const Preset& preset, const NoteTable& table,
                Hook& yield)
        : m_in(in), m_out(out), m_state(state), m_preset(preset), m_table(table), m_yield(yield)
    {
    }

    RunStatus copyChunk()
    {
        for (;;) {
            ChunkId id{};
            for (std::uint8_t& byte : id) {
                if (!m_in.get(byte))
                    return RunStatus::CannotRead;
            }
            const bool isTrack = id == midi::kTrackId;
            if (!isTrack && !isAlienChunkId(id))
                return RunStatus::CannotRead;
            if (!isTrack && !proceed()) // an alien chunk may be long: let the caller's events run
                return m_stop;
            for (const std::uint8_t byte : id)
                m_out.put(byte);
            std::uint32_t length = 0;
            for (int i = 0; i < 4; ++i) {
                std::uint8_t byte = 0;
                if (!copy(byte))
                    return RunStatus::CannotRead;
                length = (length << 8) | byte;
            }
            if (isTrack)
                return copyEvents();
            if (!copyBytes(length))
                return RunStatus::CannotRead;
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

    // Calls the yield hook and checks the sink; false (with m_stop set) when the copy must end.
    bool proceed()
    {
        if (!m_yield()) {
            m_stop = RunStatus::Cancelled;
            return false;
        }
        if (m_out.failed()) {
            m_stop = RunStatus::CannotWrite;
            return false;
        }
        return true;
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

    bool copyBytes(std::uint64_t count)
    {
        for (; count > 0; --count) {
            if (!copy())
                return false;
        }
        return true;
    }

    // Copies a variable-length quantity byte for byte; false past four bytes or at the end.
    bool copyQuantity(std::uint32_t& value)
    {
        value = 0;
        for (int i = 0; i < midi::kMaxQuantityBytes; ++i) {
            std::uint8_t byte = 0;
            if (!copy(byte))
                return false;
            value = (value << 7) | (byte & midi::kDataBits);
            if ((byte & midi::kStatusBit) == 0)
                return true;
        }
        return false;
    }

    bool copyQuantity()
    {
        std::uint32_t ignored = 0;
        return copyQuantity(ignored);
    }

    // The data bytes of a channel message whose status is `status`, the first one given.
    bool copyChannelData(std::uint8_t status, std::uint8_t first)
    {
        m_out.put(m_state.LastStatusIsNote ? mapNote(m_preset, first, m_state.CurrentChannel) : first);
        return midi::channelDataBytes(status) == 1 || copy();
    }

    bool copyLengthPrefixed()
    {
        std::uint32_t length = 0;
        return copyQuantity(length) && copyBytes(length);
    }

    // Copies events straight from the input window to the output buffer, as the byte-by-byte
    // path below would, while both hold the next event whole (see DirectCopy::run). The caller has yielded for the first event; the hook is called before each further
    // one (with the sink unchanged in between, so it cannot fail there). Other means that the
    // event next is to be copied byte by byte, its hook call done.
    DirectCopy::Stop copyChannelEventsDirectly()
    {
        const std::span<const std::uint8_t> window = m_in.window();
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
            if (!yielded && !proceed())
                return m_stop;
            yielded = false;
            switch (copyChannelEventsDirectly()) {
            case DirectCopy::Stop::Refused:
                return RunStatus::Cancelled;
            case DirectCopy::Stop::BlockEnd:
                continue;
            case DirectCopy::Stop::Other:
                break;
            }
            if (!copyQuantity()) // delta time
                return RunStatus::CannotRead;
            std::uint8_t status = 0;
            if (!m_in.get(status))
                return RunStatus::CannotRead;

            if ((status & midi::kStatusBit) == 0) {
                // Running status: `status` is the first data byte of a repeated message.
                if (m_state.RunningStatus == 0 || !copyChannelData(m_state.RunningStatus, status))
                    return RunStatus::CannotRead;
            } else if (status < midi::kSysEx) {
                m_state.RunningStatus = status;
                m_state.LastStatusIsNote = status < midi::kPolyPressure;
                m_state.CurrentChannel = (status & midi::kChannelMask) + 1;
                m_out.put(status);
                std::uint8_t first = 0;
                if (!m_in.get(first) || !copyChannelData(status, first))
                    return RunStatus::CannotRead;
            } else if (status == midi::kSysEx || status == midi::kSysExEscape) {
                m_out.put(status);
                if (!copyLengthPrefixed())
                    return RunStatus::CannotRead;
            } else if (status == midi::kMeta) {
                m_out.put(status);
                std::uint8_t type = 0;
                if (!copy(type) || !midi::isAcceptedMetaType(type) || !copyLengthPrefixed())
                    return RunStatus::CannotRead;
                if (type == midi::kMetaEndOfTrack)
                    return m_out.failed() ? RunStatus::CannotWrite : RunStatus::Written;
            } else {
                return RunStatus::CannotRead; // system common and real-time bytes have no place in a file
            }
        }
    }

    ByteSource& m_in;
    ByteSink& m_out;
    RunState& m_state;
    const Preset& m_preset;
    const NoteTable& m_table;
    Hook& m_yield;
    RunStatus m_stop = RunStatus::CannotRead;
};

} // namespace tonvex::detail
