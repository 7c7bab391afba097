#pragma once

#include "byte_sink.h"
#include "byte_source.h"
#include "note_table.h"
#include "preset.h"
#include "run_state.h"
#include "transformation_run.h"

namespace tonvex {

// Copies one track chunk from its identifier to its end-of-track event, every note number
// passed through TransformNote, every event keeping its byte length. Alien chunks met where
// the track should begin are copied unchanged first. Returns Written once the end-of-track
// event is written; CannotRead for malformed or cut-off input, CannotWrite when the sink
// failed, Cancelled when `yield` (called before every event) returned false.
RunStatus CopyTrackChunk(ByteSource& in, ByteSink& out, RunState& state, const Preset& preset,
                         const YieldHook& yield);

// The same with the preset's note table already worked out, as a run of many chunks does;
// `table` must be NoteTable(preset).
RunStatus CopyTrackChunk(ByteSource& in, ByteSink& out, RunState& state, const Preset& preset, const NoteTable& table,
                         const YieldHook& yield);

} // namespace tonvex
