#pragma once

#include "engine.h"
#include "midi_port.h"
#include "player_timer.h"

namespace tonvex {

// The root object of the engine on a MIDI port: makes performances that open their port with
// the opener and time their songs with the timers of the factory.
class PortRoot : public MusicRoot {
public:
    PortRoot(MidiPortOpener openPort, PlayerTimerFactory makeTimer);

    std::unique_ptr<Performance> DirectMusicPerformanceCreate() override;
    std::unique_ptr<Loader> DirectMusicLoaderCreate() override;

private:
    MidiPortOpener m_openPort;
    PlayerTimerFactory m_makeTimer;
};

} // namespace tonvex
