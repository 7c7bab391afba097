#pragma once

#include <chrono>

namespace tonvex {

// An open audio output that pulls the synthesizer's sound on a thread of its own.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;

    // The driver's name: "pulseaudio" or "alsa".
    virtual const char* name() const = 0;
    // False while the output is lost (its server went away) and not yet reopened.
    virtual bool connected() const = 0;
    // While on, a lost output is reopened again and again until it answers; off ends the
    // retrying. An output that cannot tell it was lost ignores this.
    virtual void setReopening(bool on) = 0;
    // How long a failed reopening waits before the next.
    virtual void setReopenInterval(std::chrono::milliseconds interval) = 0;
    // Drops what was rendered but not yet heard, so that what is rendered next is heard at once.
    virtual void discardQueued() = 0;
};

} // namespace tonvex
