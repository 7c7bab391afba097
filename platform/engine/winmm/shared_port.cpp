#include "shared_port.h"

#include "engine.h"
#include "midi_bytes.h"

namespace tonvex {

SharedPort::SharedPort(std::unique_ptr<MidiPort> port) : m_port(std::move(port)) {}

template <class Use>
void SharedPort::use(Use&& use)
{
    std::lock_guard lock(m_mutex);
    if (!m_port)
        throw EngineError("the MIDI output was closed");
    try {
        use(*m_port);
    } catch (const EngineError&) {
        m_failed = true;
        throw;
    }
}

void SharedPort::shortMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    use([&](MidiPort& port) { port.shortMessage(status, data1, data2); });
}

void SharedPort::longMessage(std::span<const std::uint8_t> message)
{
    use([&](MidiPort& port) { port.longMessage(message); });
}

void SharedPort::setVolume(double gain)
{
    use([&](MidiPort& port) { port.setVolume(gain); });
}

void SharedPort::reset()
{
    use([](MidiPort& port) { port.reset(); });
}

void SharedPort::toEveryChannel(std::uint8_t controller)
{
    for (int channel = 0; channel < midi::kChannels; ++channel) {
        try {
            shortMessage(static_cast<std::uint8_t>(midi::kControlChange | channel), controller, 0);
        } catch (const EngineError&) {
            // The other channels still get theirs.
        }
    }
}

void SharedPort::silence()
{
    toEveryChannel(midi::kAllSoundOff);
    toEveryChannel(midi::kAllNotesOff);
    toEveryChannel(midi::kResetAllControllers);
}

void SharedPort::releaseNotes()
{
    toEveryChannel(midi::kAllNotesOff);
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

bool SharedPort::failed() const
{
    std::lock_guard lock(m_mutex);
    return m_failed;
}

} // namespace tonvex
