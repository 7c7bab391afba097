#include "track_copier.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "midi_bytes.h"
#include "note_mapping.h"

namespace tonvex {

namespace {

using ChunkId = std::array<std::uint8_t, 4>;

// An identifier players skip: four printable ASCII bytes.
bool isAlienChunkId(const ChunkId& id)
{
    for (const std::uint8_t byte : id) {
        if (byte < ' ' || byte > '~')
            return false;
    }
    return id != midi::kTrackId;
}

class TrackCopier {
public:
    TrackCopier(ByteSource& in, ByteSink& out, RunState& state, const Preset& preset, const YieldHook& yield)
        : m_in(in), m_out(out), m_state(state), m_preset(preset), m_yield(yield)
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
    // Calls the yield hook and checks the sink; false (with m_stop set) when the copy must end.
    bool proceed()
    {
        if (m_yield && !m_yield()) {
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

    // Copies a whole channel event straight from the input window to the output buffer when
    // both hold enough bytes, as the byte-by-byte path below would; false, with nothing
    // consumed, for anything else.
    bool copyChannelEventDirectly()
    {
        constexpr std::size_t kLongest = midi::kMaxQuantityBytes + 3; // delta, status, two data bytes
        const std::span<const std::uint8_t> window = m_in.window();
        if (window.size() < kLongest)
            return false;
        const std::uint8_t* from = window.data();
        std::size_t size = 0;
        while (from[size] & midi::kStatusBit) {
            if (++size == midi::kMaxQuantityBytes)
                return false;
        }
        ++size;
        const std::uint8_t next = from[size];
        if ((next & midi::kStatusBit) == 0 ? m_state.RunningStatus == 0 : next >= midi::kSysEx)
            return false;
        std::uint8_t* to = m_out.reserve(kLongest);
        if (to == nullptr)
            return false;
        if (next & midi::kStatusBit) {
            m_state.RunningStatus = next;
            m_state.LastStatusIsNote = next < midi::kPolyPressure;
            m_state.CurrentChannel = (next & midi::kChannelMask) + 1;
            ++size;
        }
        const RunState state = m_state;
        for (std::size_t i = 0; i < size; ++i)
            to[i] = from[i];
        const std::uint8_t first = from[size];
        to[size] = state.LastStatusIsNote ? mapNote(m_preset, first, state.CurrentChannel) : first;
        ++size;
        if (midi::channelDataBytes(state.RunningStatus) == 2) {
            to[size] = from[size];
            ++size;
        }
        m_in.skip(size);
        m_out.commit(size);
        return true;
    }

    RunStatus copyEvents()
    {
        for (;;) {
            if (!proceed())
                return m_stop;
            if (copyChannelEventDirectly())
                continue;
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
    const YieldHook& m_yield;
    RunStatus m_stop = RunStatus::CannotRead;
};

} // namespace

RunStatus CopyTrackChunk(ByteSource& in, ByteSink& out, RunState& state, const Preset& preset, const YieldHook& yield)
{
    return TrackCopier(in, out, state, preset, yield).copyChunk();
}

} // namespace tonvex
