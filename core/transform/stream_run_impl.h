#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "byte_sink.h"
#include "byte_source.h"
#include "midi_bytes.h"
#include "note_table.h"
#include "preset.h"
#include "run_state.h"
#include "run_status.h"
#include "stream_run_scout.h"
#include "track_copier_impl.h"
#include "track_copier_input.h"

namespace tonvex::detail {

// Copies the header chunk and returns its track count; false, with the cause in `refusal`,
// when it is not a header.
bool copyHeader(ByteSource& in, ByteSink& out, std::uint32_t& trackCount, std::string& refusal);

// transformStream for any hook callable as bool(), called by reference before every event.
//
// After the header's count of track chunks, whatever follows is kept: further track chunks
// that read cleanly are transformed like the others, and from the first byte that does not
// begin one the rest is copied unchanged. Bytes between an end-of-track event and its
// chunk's declared end are copied unchanged where the next track chunk or the end of the
// input follows that end; otherwise the next chunk begins right after the event.
template <class Hook>
class StreamRun {
public:
    StreamRun(ByteSource& in, ByteSink& out, const Preset& preset, const NoteTable& table, Hook& yield,
              const ReaderOpener& openAgain)
        : m_in(in), m_out(out), m_preset(preset), m_table(table), m_yield(yield), m_scout(openAgain)
    {
    }

    RunStatus run()
    {
        std::uint32_t trackCount = 0;
        if (!copyHeader(m_in, m_out, trackCount, m_state.Refusal))
            return RunStatus::CannotRead;
        for (std::uint32_t track = 0; track < trackCount; ++track) {
            const RunStatus status = copyTrack(track + 1 < trackCount);
            if (status != RunStatus::Written)
                return status;
        }
        const RunStatus status = copyWhatFollows();
        if (status != RunStatus::Written)
            return status;
        return m_out.flush() ? RunStatus::Written : RunStatus::CannotWrite;
    }

    // Why the input was refused; empty unless run() returned CannotRead.
    const std::string& refusal() const { return m_state.Refusal; }

private:
    using ChunkId = std::array<std::uint8_t, 4>;

    CopierInput input() { return CopierInput(m_in, m_state.Ahead); }

    // One track chunk and then, where its length field confirms them, the bytes between its
    // end-of-track event and its declared end. `counted`: the header counts another track
    // chunk after this one.
    RunStatus copyTrack(bool counted)
    {
        const RunStatus status = TrackCopier<Hook>(m_in, m_out, m_state, m_preset, m_table, m_yield).copyChunk();
        if (status != RunStatus::Written)
            return status;
        CopierInput in = input();
        const std::uint64_t eventEnd = in.position();
        if (eventEnd >= m_state.TrackEnd)
            return RunStatus::Written;
        ChunkId next{};
        if (in.peek(next.data(), next.size()) == next.size() && next == midi::kTrackId)
            return RunStatus::Written; // a track chunk right after the event is the next one
        // With no counted chunk to come, copying the gap unchanged and going on after it gives
        // what either reading gives: what does not begin a track chunk is copied unchanged.
        if (counted && !chunkFollows(in, eventEnd, m_state.TrackEnd))
            return RunStatus::Written;
        if (const RunStatus stop = checkpoint(m_yield, m_out); stop != RunStatus::Written)
            return stop;
        const std::uint64_t gap = m_state.TrackEnd - eventEnd;
        if (in.copyTo(m_out, gap) != gap && counted) {
            m_state.Refusal = describeAt("truncated track at byte", in.position());
            return RunStatus::CannotRead;
        }
        return RunStatus::Written;
    }

    // Whether a track chunk or the end of the input lies at `offset`, ahead of `in` at `here`:
    // seen in the input's window when it reaches that far, else through the second reader.
    bool chunkFollows(CopierInput& in, std::uint64_t here, std::uint64_t offset)
    {
        ChunkId id{};
        std::size_t found = 0;
        const std::span<const std::uint8_t> window = in.window();
        if (window.size() >= offset - here + id.size()) {
            const auto at = window.begin() + static_cast<std::ptrdiff_t>(offset - here);
            std::copy(at, at + static_cast<std::ptrdiff_t>(id.size()), id.begin());
            found = id.size();
        } else if (m_scout.bytesAt(offset, id.data(), id.size(), found) != StreamScout::Look::Found) {
            return false;
        }
        return found == 0 || (found == id.size() && id == midi::kTrackId);
    }

    // Everything after the header's count of track chunks.
    RunStatus copyWhatFollows()
    {
        for (;;) {
            CopierInput in = input();
            ChunkId id{};
            const std::size_t found = in.peek(id.data(), id.size());
            if (found == 0)
                return RunStatus::Written;
            if (found == id.size() && id == midi::kTrackId) {
                bool clean = false;
                if (const RunStatus status = checkTrack(in.position(), clean); status != RunStatus::Written)
                    return status;
                if (clean) {
                    if (const RunStatus status = copyTrack(false); status != RunStatus::Written)
                        return status;
                    continue;
                }
            }
            if (const RunStatus stop = checkpoint(m_yield, m_out); stop != RunStatus::Written)
                return stop;
            in.copyTo(m_out, CopierInput::kToTheEnd);
            return RunStatus::Written;
        }
    }

    // Sets `clean` when the track chunk at `offset` reads cleanly, copied by the second reader
    // to nowhere; Cancelled when the hook, called for its events too, said so.
    RunStatus checkTrack(std::uint64_t offset, bool& clean)
    {
        clean = false;
        ByteSource* reader = m_scout.moveTo(offset);
        if (reader == nullptr)
            return RunStatus::Written; // cannot be checked: copied unchanged
        RunState trial = m_state;
        trial.Ahead = m_scout.ahead();
        const RunStatus status =
            TrackCopier<Hook>(*reader, m_scout.discard(), trial, m_preset, m_table, m_yield).copyChunk();
        m_scout.ahead() = trial.Ahead;
        if (status == RunStatus::Cancelled)
            return status;
        clean = status == RunStatus::Written;
        return RunStatus::Written;
    }

    ByteSource& m_in;
    ByteSink& m_out;
    const Preset& m_preset;
    const NoteTable& m_table;
    Hook& m_yield;
    StreamScout m_scout;
    RunState m_state;
};

template <class Hook>
RunStatus transformStream(ByteSource& in, ByteSink& out, const Preset& preset, const NoteTable& table, Hook& yield,
                          const ReaderOpener& openAgain, std::string* refusal)
{
    StreamRun<Hook> run(in, out, preset, table, yield, openAgain);
    const RunStatus status = run.run();
    if (refusal != nullptr)
        *refusal = status == RunStatus::CannotRead ? run.refusal() : std::string();
    return status;
}

template <class Hook>
RunStatus transformStream(ByteSource& in, ByteSink& out, const Preset& preset, Hook& yield,
                          const ReaderOpener& openAgain, std::string* refusal)
{
    const NoteTable table(preset);
    return transformStream(in, out, preset, table, yield, openAgain, refusal);
}

} // namespace tonvex::detail
