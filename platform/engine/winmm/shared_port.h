#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

#include "midi_port.h"

namespace tonvex {

// An open port shared by a performance and the player thread of its song: one message at a
// time, and none once closed.
class SharedPort {
public:
    explicit SharedPort(std::unique_ptr<MidiPort> port);

    // Each throws EngineError when the port failed or was closed.
    void shortMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    void longMessage(std::span<const std::uint8_t> message);
    void setVolume(double gain);
    void reset();

    // Silences every channel at once: all sound off and all notes off, then the controllers
    // back to their defaults. A message that fails is skipped.
    void silence();
    // Releases notes still held on every channel, as at a song's end; failures are skipped.
    void releaseNotes();
    // Turns the notes off and closes the port; later messages throw.
    void close();
    // Whether a message has failed since the port opened (the device may be gone).
    bool failed() const;

private:
    template <class Use>
    void use(Use&& use);
    void toEveryChannel(std::uint8_t controller);

    mutable std::mutex m_mutex;
    std::unique_ptr<MidiPort> m_port;
    bool m_failed = false;
};

} // namespace tonvex
