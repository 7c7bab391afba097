#pragma once

#include <type_traits>
#include <utility>

#include "byte_sink.h"
#include "byte_source.h"
#include "note_table.h"
#include "preset.h"
#include "run_state.h"
#include "track_copier_impl.h"
#include "transformation_run.h"

namespace tonvex {

// Copies one track chunk from its identifier to its end-of-track event, every note number
// passed through TransformNote, every event keeping its byte length. Alien chunks met where
// the track should begin are copied unchanged first. A chunk without an end-of-track event
// ends where its length field says, when an event ends there and the next track chunk or the
// end of the input follows; the bytes looked at for that stay in state.Ahead for the next
// call. Returns Written once the chunk is complete, leaving its declared end in
// state.TrackEnd; CannotRead for malformed or cut-off input, with the cause in
// state.Refusal; CannotWrite when the sink failed; Cancelled when `yield` (called before
// every event) returned false.
RunStatus CopyTrackChunk(ByteSource& in, ByteSink& out, RunState& state, const Preset& preset,
                         const YieldHook& yield);

// The same with the preset's note table already worked out, as a run of many chunks does;
// `table` must be NoteTable(preset).
RunStatus CopyTrackChunk(ByteSource& in, ByteSink& out, RunState& state, const Preset& preset, const NoteTable& table,
                         const YieldHook& yield);

// Both again with a hook the compiler can inline; it is copied first, as a YieldHook would be.
template <InlineYieldHook Hook>
RunStatus CopyTrackChunk(ByteSource& in, ByteSink& out, RunState& state, const Preset& preset, Hook&& yield)
{
    std::decay_t<Hook> hook(std::forward<Hook>(yield));
    return detail::TrackCopier<std::decay_t<Hook>>(in, out, state, preset, NoteTable(preset), hook).copyChunk();
}

template <InlineYieldHook Hook>
RunStatus CopyTrackChunk(ByteSource& in, ByteSink& out, RunState& state, const Preset& preset, const NoteTable& table,
                         Hook&& yield)
{
    std::decay_t<Hook> hook(std::forward<Hook>(yield));
    return detail::TrackCopier<std::decay_t<Hook>>(in, out, state, preset, table, hook).copyChunk();
}

} // namespace tonvex
