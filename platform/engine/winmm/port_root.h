#pragma once

#include <memory>

#include "engine.h"
#include "player_timer.h"
#include "port_device.h"

namespace tonvex {

// The root object of the engine on a MIDI port: keeps the port, which the opener opens when
// the first performance opens audio, and makes performances that play on it and time their
// songs with the timers of the factory.
class PortRoot : public MusicRoot {
public:
    PortRoot(MidiPortOpener openPort, PlayerTimerFactory makeTimer);

    std::unique_ptr<Performance> DirectMusicPerformanceCreate() override;
    std::unique_ptr<Loader> DirectMusicLoaderCreate() override;

private:
    std::shared_ptr<PortDevice> m_device;
    PlayerTimerFactory m_makeTimer;
};

} // namespace tonvex
