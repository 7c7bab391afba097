#pragma once

#include <cstdint>
#include <functional>
#include <span>

namespace tonvex {

class Playback;

// Microseconds per quarter note from the first FF 51 03 anywhere in the bytes (tempo bytes
// past the end count as 0); 0 for no bytes; the file default 500000 when nothing matches.
std::uint32_t firstTempoMicros(std::span<const std::uint8_t> bytes);

// Makes InFileName ready to be heard in a freshly built engine.
class InputLoader {
public:
    // True once the program is closing: a load interrupted by the close goes no further.
    using Abandoned = std::function<bool()>;

    explicit InputLoader(Playback& playback, Abandoned abandoned = {});

    // Rebuilds the engine and loads InFileName into it; failed steps leave their targets as they
    // were. When the program starts closing while the load lets window events run, the load
    // stops there: the close has released the engine, and nothing may build it again.
    void OpenMIDIFIle();

private:
    // Starts and stops the segment once to read the engine's own tempo.
    void TempoProbe();
    bool abandoned() const { return m_abandoned && m_abandoned(); }

    Playback& m_playback;
    Abandoned m_abandoned;
};

} // namespace tonvex
