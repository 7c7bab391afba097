#include "winmm_root_factory.h"

#include <windows.h>
#include <mmsystem.h>

#include "port_root.h"
#include "waitable_timer.h"
#include "winmm_port.h"

namespace tonvex {

RootFactory winmmRootFactory()
{
    return []() -> std::unique_ptr<MusicRoot> {
        if (midiOutGetNumDevs() == 0)
            throw EngineError("no MIDI output device");
        return std::make_unique<PortRoot>(&WinmmPort::open,
                                          [] { return std::make_unique<WaitableTimer>(); });
    };
}

} // namespace tonvex
