#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>

#include <fluidsynth.h>

namespace tonvex {

// What lives for the whole program: the settings, the one synthesizer and its SoundFont,
// and which performance currently owns the audio output.
class FluidCore {
public:
    // Loads the first General MIDI SoundFont found; throws EngineError when none loads.
    static std::shared_ptr<FluidCore> create();

    FluidCore(const FluidCore&) = delete;
    FluidCore& operator=(const FluidCore&) = delete;

    fluid_settings_t* settings() const { return m_settings.get(); }
    fluid_synth_t* synth() const { return m_synth.get(); }
    const std::string& soundFontPath() const { return m_soundFontPath; }
    // The synthesizer's gain before any master volume.
    float defaultGain() const { return m_defaultGain; }

    // Renders the next block into the driver's two output buffers; for the audio driver's
    // thread, never throws. Effects are mixed into the output.
    void render(int frames, int outputs, float* out[]) noexcept;
    // Held while players are made or deleted, which the rendering must not see half done.
    std::mutex& renderMutex() { return m_renderMutex; }

    // Frames rendered since the synthesizer was made; under the render lock it stands still.
    std::int64_t framesRendered() const { return m_framesRendered.load(); }
    double sampleRate() const { return m_sampleRate; }
    // How far the rendered sound runs ahead of what is heard: the open output's queue.
    std::chrono::microseconds outputLatency() const { return std::chrono::microseconds(m_outputLatency.load()); }
    // For the output's thread.
    void setOutputLatency(std::chrono::microseconds latency) { m_outputLatency = latency.count(); }

    // Marks the output as owned by `owner`; false when another owner holds it.
    bool claimOutput(const void* owner);
    // Gives the output up if `owner` holds it.
    void releaseOutput(const void* owner);

private:
    // Only create() can name this, so only create() can build a core.
    struct Key {
        explicit Key() = default;
    };

public:
    explicit FluidCore(Key) {}

private:

    struct SettingsDeleter { void operator()(fluid_settings_t* s) const { delete_fluid_settings(s); } };
    struct SynthDeleter { void operator()(fluid_synth_t* s) const { delete_fluid_synth(s); } };

    // Declared so that the synthesizer goes before its settings.
    std::unique_ptr<fluid_settings_t, SettingsDeleter> m_settings;
    std::unique_ptr<fluid_synth_t, SynthDeleter> m_synth;
    std::string m_soundFontPath;
    float m_defaultGain = 0.2f;
    const void* m_outputOwner = nullptr;
    std::atomic<std::int64_t> m_outputLatency{0}; // microseconds
    std::atomic<std::int64_t> m_framesRendered{0};
    double m_sampleRate = 44100.0;
    std::mutex m_renderMutex;
};

} // namespace tonvex
