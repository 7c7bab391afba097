#pragma once

#include <cstdint>

#include "byte_sink.h"
#include "byte_source.h"
#include "note_table.h"
#include "preset.h"
#include "run_state.h"
#include "run_status.h"
#include "track_copier_impl.h"

namespace tonvex::detail {

// Copies the header chunk and returns its track count; false when it is not a header.
bool copyHeader(ByteSource& in, ByteSink& out, std::uint32_t& trackCount);

// transformStream with any hook callable as bool(), called by reference before every event,
// and `table` made for `preset`.
template <class Hook>
RunStatus transformStream(ByteSource& in, ByteSink& out, const Preset& preset, const NoteTable& table, Hook& yield)
{
    std::uint32_t trackCount = 0;
    if (!copyHeader(in, out, trackCount))
        return RunStatus::CannotRead;
    RunState state;
    for (std::uint32_t track = 0; track < trackCount; ++track) {
        const RunStatus status = TrackCopier(in, out, state, preset, table, yield).copyChunk();
        if (status != RunStatus::Written)
            return status;
    }
    return out.flush() ? RunStatus::Written : RunStatus::CannotWrite;
}

template <class Hook>
RunStatus transformStream(ByteSource& in, ByteSink& out, const Preset& preset, Hook& yield)
{
    const NoteTable table(preset);
    return transformStream(in, out, preset, table, yield);
}

} // namespace tonvex::detail
