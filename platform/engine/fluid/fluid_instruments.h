#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <fluidsynth.h>

#include "sound_font_index.h"

namespace tonvex {

// Keeps the synthesizer holding the presets of the song about to play, and no others. A worker
// thread loads a SoundFont made of just those presets, with their samples pinned in memory,
// and then drops the previous one. The samples are first read in by a synthesizer of the
// worker's own, whose sample cache the real one then shares: the real synthesizer, which the
// window thread and the player also need, is held up only for moments.
class FluidInstruments {
public:
    // Serves `synth` (owned by the caller, outliving this) from the index's SoundFont; `name`
    // is the name its subsets are published under, unique to this synthesizer.
    FluidInstruments(fluid_synth_t* synth, SoundFontIndex index, std::string name);
    // Waits for the worker to finish what it is doing.
    ~FluidInstruments();

    FluidInstruments(const FluidInstruments&) = delete;
    FluidInstruments& operator=(const FluidInstruments&) = delete;

    // Asks for the presets channels will select (bank 128 for drums), as the synthesizer
    // resolves them; returns at once.
    void request(const std::vector<BankProgram>& asked);
    // True from a request until the presets it asked for are loaded; safe from any thread.
    bool pending() const { return m_requested.load() != m_ready.load(); }
    // Waits until nothing is pending.
    void waitUntilReady();
    // The presets the synthesizer holds now; empty when FluidSynth could not load the last
    // ones asked for.
    std::vector<BankProgram> loaded() const;
    const SoundFontIndex& index() const { return m_index; }

private:
    void run();
    // Loads the presets in place of the current ones; false when FluidSynth refused them.
    bool apply(const std::vector<BankProgram>& presets);

    fluid_synth_t* m_synth;
    const SoundFontIndex m_index;
    const std::string m_name;
    int m_fontId = -1;     // the worker's alone

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<BankProgram> m_wanted; // guarded by m_mutex: the latest request
    std::vector<BankProgram> m_loaded; // guarded by m_mutex
    bool m_stopping = false;        // guarded by m_mutex
    std::atomic<std::uint64_t> m_requested{0};
    std::atomic<std::uint64_t> m_ready{0};
    std::thread m_worker;
};

} // namespace tonvex
