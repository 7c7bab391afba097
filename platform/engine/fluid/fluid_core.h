#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>

#include <fluidsynth.h>

#include "fluid_instruments.h"

namespace tonvex {

// What lives for the whole program: the settings, the one synthesizer with the presets of the
// song at hand (see FluidInstruments), and which performance currently owns the audio output.
class FluidCore {
public:
    // Reads the catalogue of the first General MIDI SoundFont found (its presets load song by
    // song); throws EngineError when there is none.
    static std::shared_ptr<FluidCore> create();

    FluidCore(const FluidCore&) = delete;
    FluidCore& operator=(const FluidCore&) = delete;

    fluid_settings_t* settings() const { return m_settings.get(); }
    fluid_synth_t* synth() const { return m_synth.get(); }
    const std::string& soundFontPath() const { return m_soundFontPath; }
    FluidInstruments& instruments() { return *m_instruments; }
    // The synthesizer's gain for the song prepared last, before any master volume.
    float songGain() const { return m_songGain; }
    void setSongGain(float gain) { m_songGain = gain; }

    // Renders the next block into the driver's two output buffers; for the audio driver's
    // thread, never throws. Effects are mixed into the output. While the presets of a song
    // are still loading it renders nothing, fills silence and returns false: the song's clock
    // waits for them.
    bool render(int frames, int outputs, float* out[]) noexcept;
    // Held while players are made or deleted, which the rendering must not see half done.
    std::mutex& renderMutex() { return m_renderMutex; }
    // After a stop: clears the reverb and chorus once the voices cut there have died away,
    // unless a song starts first (see cancelEffectsClearing()). Cut voices fade for a moment,
    // and what they send to the reverb then rings on after the stop's own reset.
    void clearEffectsWhenSilent() { m_clearEffects = true; }
    // For a start, under the render lock.
    void cancelEffectsClearing() { m_clearEffects = false; }

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

    // Declared so that the presets' worker goes before the synthesizer, and that before its
    // settings.
    std::unique_ptr<fluid_settings_t, SettingsDeleter> m_settings;
    std::unique_ptr<fluid_synth_t, SynthDeleter> m_synth;
    std::unique_ptr<FluidInstruments> m_instruments;
    std::string m_soundFontPath;
    float m_songGain = 0.2f;
    const void* m_outputOwner = nullptr;
    std::atomic<std::int64_t> m_outputLatency{0}; // microseconds
    std::atomic<std::int64_t> m_framesRendered{0};
    std::atomic<bool> m_clearEffects{false};
    double m_sampleRate = 44100.0;
    std::mutex m_renderMutex;
};

} // namespace tonvex
