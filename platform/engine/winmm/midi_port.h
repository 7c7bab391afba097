#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

namespace tonvex {

// A MIDI output the engine plays through: the system's synthesizer on Windows, a recording
// in tests. Opened by its opener, closed when destroyed.
class MidiPort {
public:
    virtual ~MidiPort() = default;
    // Sends one channel message; throws EngineError on failure.
    virtual void shortMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) = 0;
    // Sends one whole system exclusive message, F0 to F7; throws EngineError on failure.
    virtual void longMessage(std::span<const std::uint8_t> message) = 0;
    // Sets the output level as a fraction of full amplitude; throws EngineError when the
    // port has no level of its own.
    virtual void setVolume(double gain) = 0;
    // Turns every note off at once; throws EngineError on failure.
    virtual void reset() = 0;
};

// Opens a port; throws EngineError when there is no device or it cannot be opened.
using MidiPortOpener = std::function<std::unique_ptr<MidiPort>()>;

} // namespace tonvex
