#include "fluid_core.h"

#include <algorithm>
#include <atomic>
#include <array>
#include <filesystem>
#include <system_error>

#include "engine.h"
#include "fluid_log.h"
#include "subset_sound_fonts.h"

namespace tonvex {
namespace {

// Where Debian's General MIDI SoundFont packages put their files, best first.
constexpr std::array kSoundFontPaths = {
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/soundfonts/default.sf2",
};

constexpr int kPeriodFrames = 768;  // at 44.1 kHz
constexpr int kPeriods = 2;

// Each synthesizer publishes its presets under a name of its own.
std::atomic<int> g_cores{0};

} // namespace

std::shared_ptr<FluidCore> FluidCore::create()
{
    routeFluidLog();
    auto core = std::make_shared<FluidCore>(Key{});
    core->m_settings.reset(new_fluid_settings());
    if (!core->m_settings)
        throw EngineError("cannot create the synthesizer settings");
    // For the ALSA fallback (PulseOutput keeps its own queue): 768-frame periods (17.4 ms),
    // since FluidSynth's 64 cost a fifth of a core in wake-ups and on a busy machine a short
    // buffer runs dry, which stalls the song's clock; 1024 made the engine's teardown at each
    // press wait too long for the write in progress. Two periods keep ALSA's buffer as short.
    fluid_settings_setint(core->m_settings.get(), "audio.period-size", kPeriodFrames);
    fluid_settings_setint(core->m_settings.get(), "audio.periods", kPeriods);
    // A preset's samples are read when it is first pinned (see FluidInstruments), not all at once.
    fluid_settings_setint(core->m_settings.get(), "synth.dynamic-sample-loading", 1);
    core->m_synth.reset(new_fluid_synth(core->m_settings.get()));
    if (!core->m_synth)
        throw EngineError("cannot create the synthesizer");
    fluid_sfloader_t* subsets = SubsetSoundFonts::newLoader(core->m_settings.get());
    if (!subsets)
        throw EngineError("cannot create the SoundFont loader");
    fluid_synth_add_sfloader(core->m_synth.get(), subsets);
    for (const char* path : kSoundFontPaths) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error))
            continue;
        try {
            SoundFontIndex index = SoundFontIndex::read(path);
            core->m_soundFontPath = path;
            const std::string name = "tonvex-presets-" + std::to_string(++g_cores) + ":" + path;
            core->m_instruments = std::make_unique<FluidInstruments>(core->m_synth.get(), std::move(index), name);
            break;
        } catch (const EngineError& error) {
            fluid_log(FLUID_WARN, "%s", error.what());
        }
    }
    if (core->m_soundFontPath.empty())
        throw EngineError("no General MIDI SoundFont could be loaded");
    fluid_settings_getnum(core->m_settings.get(), "synth.sample-rate", &core->m_sampleRate);
    return core;
}

bool FluidCore::render(int frames, int outputs, float* out[]) noexcept
{
    for (int i = 0; i < outputs; ++i)
        std::fill(out[i], out[i] + frames, 0.0f);
    if (outputs < 2)
        return true;
    if (m_instruments->pending())
        return false;
    try {
        std::lock_guard lock(m_renderMutex);
        // Reverb and chorus go to the same two buffers as the dry sound.
        fluid_synth_process(m_synth.get(), frames, 2, out, 2, out);
        m_framesRendered += frames;
        if (m_clearEffects && fluid_synth_get_active_voice_count(m_synth.get()) == 0) {
            m_clearEffects = false;
            fluid_synth_system_reset(m_synth.get()); // nothing sounds: only the effects change
        }
    } catch (...) {
        // A block that cannot be rendered stays silent.
    }
    return true;
}

bool FluidCore::claimOutput(const void* owner)
{
    if (m_outputOwner && m_outputOwner != owner)
        return false;
    m_outputOwner = owner;
    return true;
}

void FluidCore::releaseOutput(const void* owner)
{
    if (m_outputOwner == owner)
        m_outputOwner = nullptr;
}

} // namespace tonvex
