#pragma once

#include <memory>

#include <fluidsynth.h>

#include "audio_output.h"
#include "fluid_core.h"

namespace tonvex {

// One of FluidSynth's own audio drivers rendering the core. Its thread ends silently when
// the device fails, so it counts as connected for as long as it is open.
class FluidDriverOutput : public AudioOutput {
public:
    // FluidSynth's driver `name` (a string literal) on the core; nullptr when it cannot open.
    static std::unique_ptr<FluidDriverOutput> open(std::shared_ptr<FluidCore> core, const char* name);

    const char* name() const override { return m_name; }
    bool connected() const override { return true; }
    void setReopening(bool) override {}
    void setReopenInterval(std::chrono::milliseconds) override {}
    void discardQueued() override {}

private:
    // Only open() can name this.
    struct Key {
        explicit Key() = default;
    };

public:
    explicit FluidDriverOutput(Key) {}

private:
    struct DriverDeleter {
        void operator()(fluid_audio_driver_t* d) const { delete_fluid_audio_driver(d); }
    };

    // Declared first, so that it is released after the driver that renders it.
    std::shared_ptr<FluidCore> m_core;
    std::unique_ptr<fluid_audio_driver_t, DriverDeleter> m_driver;
    const char* m_name = "";
};

} // namespace tonvex
