#pragma once

#include <string>
#include <vector>

#include "fluid_core.h"

namespace tonvex::bench {

// Each song's peak as the engine plays it: rendered offline at full speed by FluidSynth with
// the same SoundFont, the engine's gain for the song and the master volume; beside it the
// peak at FluidSynth's default gain.
void printLoudness(const std::string& soundFont, const std::vector<std::string>& songs);

// After a drop of `song` on the engine's core: how long its presets took to load on the
// worker, and what selecting each of them then costs, beside what it costs when FluidSynth
// loads it on demand (on the audio thread, mid-song).
void printInstrumentChanges(FluidCore& core, const std::string& soundFont);

} // namespace tonvex::bench
