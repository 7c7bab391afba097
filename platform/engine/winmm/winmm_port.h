#pragma once

#include <memory>
#include <vector>

#include <windows.h>
#include <mmsystem.h>

#include "midi_port.h"

namespace tonvex {

// The system's own MIDI synthesizer through the MIDI mapper, one message at a time (short
// and long messages, no streams).
class WinmmPort : public MidiPort {
public:
    // Opens the MIDI mapper; throws EngineError when there is no device or it will not open.
    static std::unique_ptr<MidiPort> open();
    ~WinmmPort() override;

    WinmmPort(const WinmmPort&) = delete;
    WinmmPort& operator=(const WinmmPort&) = delete;

    void shortMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) override;
    void longMessage(std::span<const std::uint8_t> message) override;
    void setVolume(double gain) override;
    void reset() override;

private:
    explicit WinmmPort(HMIDIOUT handle) : m_handle(handle) {}

    HMIDIOUT m_handle;
    std::vector<char> m_buffer; // a long message's bytes, which the driver may write to
};

} // namespace tonvex
