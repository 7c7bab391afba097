#pragma once

#include <cstdint>
#include <span>

#include "engine_lifecycle.h"
#include "engine_slots.h"
#include "main_state.h"
#include "view.h"

namespace tonvex {

// Microseconds per quarter note from the first FF 51 03 anywhere in the bytes (tempo bytes
// past the end count as 0); 0 for no bytes; the file default 500000 when nothing matches.
std::uint32_t firstTempoMicros(std::span<const std::uint8_t> bytes);

// Makes InFileName ready to be heard in a freshly built engine.
class InputLoader {
public:
    InputLoader(MainState& state, EngineSlots& engine, View& view, EngineLifecycle& lifecycle);

    // Rebuilds the engine and loads InFileName into it; failed steps leave their targets as they were.
    void OpenMIDIFIle();

private:
    // Starts and stops the segment once to read the engine's own tempo.
    void TempoProbe();

    MainState& m_state;
    EngineSlots& m_engine;
    View& m_view;
    EngineLifecycle& m_lifecycle;
};

} // namespace tonvex
