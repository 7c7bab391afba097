#include "port_device.h"

#include "engine.h"

namespace tonvex {

PortDevice::PortDevice(MidiPortOpener openPort) : m_openPort(std::move(openPort)) {}

PortDevice::~PortDevice()
{
    if (m_port)
        m_port->close();
}

std::shared_ptr<SharedPort> PortDevice::claim(const void* owner)
{
    if (m_owner && m_owner != owner)
        throw EngineError("another performance holds the MIDI output");
    if (m_port && m_port->failed()) {
        m_port->close();
        m_port.reset();
    }
    if (!m_port)
        m_port = std::make_shared<SharedPort>(m_openPort());
    m_owner = owner;
    return m_port;
}

void PortDevice::release(const void* owner)
{
    if (m_owner != owner)
        return;
    m_owner = nullptr;
    try {
        m_port->reset();
    } catch (const EngineError&) {
        // The next claim opens it again.
    }
}

} // namespace tonvex
