#pragma once

#include <chrono>
#include <memory>
#include <thread>

#include "audio_output.h"
#include "fluid_core.h"

namespace tonvex {

// PulseAudio (PipeWire through pipewire-pulse), fed from a thread of our own that keeps a
// deep queue filled, so that a busy machine does not starve the sound. FluidSynth's driver
// ends its thread silently when a write fails, and the song then stays silent; this one sees
// the failed write, drops the connection and, while reopening is on, connects again every
// interval. Nothing renders meanwhile, so the song's clock stands still until the sound
// resumes.
class PulseOutput : public AudioOutput {
public:
    // Connects to the server and device named in the core's settings and starts the thread;
    // nullptr when no server answers.
    static std::unique_ptr<PulseOutput> open(std::shared_ptr<FluidCore> core,
                                             std::chrono::milliseconds reopenInterval);
    // Ends the thread, waiting for it only briefly: a thread held in a call to a hung server
    // is left to return from it and end by itself.
    ~PulseOutput() override;

    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

    const char* name() const override { return "pulseaudio"; }
    bool connected() const override;
    void setReopening(bool on) override;
    void setReopenInterval(std::chrono::milliseconds interval) override;
    void discardQueued() override;

private:
    struct State;
    // Only open() can name this.
    struct Key {
        explicit Key() = default;
    };

public:
    PulseOutput(Key, std::shared_ptr<State> state);

private:
    static void run(std::shared_ptr<State> state) noexcept;
    static void pump(State& state);

    std::shared_ptr<State> m_state;
    std::thread m_thread;
};

} // namespace tonvex
