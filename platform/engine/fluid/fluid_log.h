#pragma once

#include <filesystem>

namespace tonvex {

// Sends FluidSynth's messages, and ALSA's, to our log file instead of the terminal (debug
// messages, a handful per playback, are dropped); safe to call more than once.
void routeFluidLog();

// $XDG_CACHE_HOME/tonvex/tonvex.log, else ~/.cache/tonvex/tonvex.log; empty when neither
// can be formed (messages are then discarded).
std::filesystem::path fluidLogPath();

} // namespace tonvex
