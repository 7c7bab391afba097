#pragma once

#include "engine.h"

namespace tonvex {

// A factory for the engine lifecycle that makes roots of the engine on the system's MIDI
// synthesizer (winmm, the MIDI mapper). Making a root throws EngineError when the system has
// no MIDI output device; a later Initialize tries again.
RootFactory winmmRootFactory();

} // namespace tonvex
