#pragma once

#include <memory>

#include "midi_port.h"
#include "shared_port.h"

namespace tonvex {

// The root's MIDI output. The first performance that opens audio opens the port, and it stays
// open for the performances after it: opening the system's synthesizer can take longer than a
// press may wait for its first note. One performance holds it at a time. A port that failed
// is opened again by the next claim, so a device plugged back in plays again.
class PortDevice {
public:
    explicit PortDevice(MidiPortOpener openPort);
    // Closes the port.
    ~PortDevice();

    PortDevice(const PortDevice&) = delete;
    PortDevice& operator=(const PortDevice&) = delete;

    // The open port for `owner`, opened first if need be; throws EngineError when it cannot be
    // opened or another performance holds it.
    std::shared_ptr<SharedPort> claim(const void* owner);
    // Gives the port back with every note off; it stays open.
    void release(const void* owner);

private:
    MidiPortOpener m_openPort;
    std::shared_ptr<SharedPort> m_port;
    const void* m_owner = nullptr;
};

} // namespace tonvex
