#include "shared_port.h"

#include "engine.h"
#include "midi_bytes.h"

namespace tonvex {
namespace {

// Sends one controller to each of the sixteen channels, skipping failures.
void toEveryChannel(MidiPort& port, std::uint8_t controller)
{
    for (int channel = 0; channel < midi::kChannels; ++channel) {
        try {
            port.shortMessage(static_cast<std::uint8_t>(midi::kControlChange | channel), controller, 0);
        } catch (const EngineError&) {
            // The other channels still get theirs.
        }
    }
}

} // namespace

SharedPort::SharedPort(std::unique_ptr<MidiPort> port) : m_port(std::move(port)) {}

MidiPort& SharedPort::open()
{
    if (!m_port)
        throw EngineError("the MIDI output was closed");
    return *m_port;
}

void SharedPort::shortMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    std::lock_guard lock(m_mutex);
    open().shortMessage(status, data1, data2);
}

void SharedPort::longMessage(std::span<const std::uint8_t> message)
{
    std::lock_guard lock(m_mutex);
    open().longMessage(message);
}

void SharedPort::setVolume(double gain)
{
    std::lock_guard lock(m_mutex);
    open().setVolume(gain);
}

void SharedPort::reset()
{
    std::lock_guard lock(m_mutex);
    open().reset();
}

void SharedPort::silence()
{
    std::lock_guard lock(m_mutex);
    if (!m_port)
        return;
    toEveryChannel(*m_port, midi::kAllSoundOff);
    toEveryChannel(*m_port, midi::kAllNotesOff);
    toEveryChannel(*m_port, midi::kResetAllControllers);
}

void SharedPort::releaseNotes()
{
    std::lock_guard lock(m_mutex);
    if (m_port)
        toEveryChannel(*m_port, midi::kAllNotesOff);
}

void SharedPort::close()
{
    std::lock_guard lock(m_mutex);
    if (!m_port)
        return;
    try {
        m_port->reset();
    } catch (const EngineError&) {
        // Closing goes on regardless.
    }
    m_port.reset();
}

} // namespace tonvex
