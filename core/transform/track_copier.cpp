#include "track_copier.h"

namespace tonvex {

RunStatus CopyTrackChunk(ByteSource& in, ByteSink& out, RunState& state, const Preset& preset, const YieldHook& yield)
{
    return CopyTrackChunk(in, out, state, preset, NoteTable(preset), yield);
}

RunStatus CopyTrackChunk(ByteSource& in, ByteSink& out, RunState& state, const Preset& preset, const NoteTable& table,
                         const YieldHook& yield)
{
    if (!yield)
        return detail::TrackCopier(in, out, state, preset, table, detail::kGoOn).copyChunk();
    return detail::TrackCopier(in, out, state, preset, table, yield).copyChunk();
}

} // namespace tonvex
