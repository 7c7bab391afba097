#include "port_root.h"

#include "port_loader.h"
#include "port_performance.h"

namespace tonvex {

PortRoot::PortRoot(MidiPortOpener openPort, PlayerTimerFactory makeTimer)
    : m_device(std::make_shared<PortDevice>(std::move(openPort))), m_makeTimer(std::move(makeTimer))
{
}

std::unique_ptr<Performance> PortRoot::DirectMusicPerformanceCreate()
{
    return std::make_unique<PortPerformance>(m_device, m_makeTimer);
}

std::unique_ptr<Loader> PortRoot::DirectMusicLoaderCreate()
{
    return std::make_unique<PortLoader>();
}

} // namespace tonvex
