#include "fluid_instruments.h"

#include <algorithm>
#include <memory>

#include <malloc.h>
#include <pthread.h>

#include "subset_sound_fonts.h"

namespace tonvex {
namespace {

// The worker's own synthesizer only reads samples in: it never sounds.
struct SettingsDeleter {
    void operator()(fluid_settings_t* s) const { delete_fluid_settings(s); }
};
struct SynthDeleter {
    void operator()(fluid_synth_t* s) const { delete_fluid_synth(s); }
};
constexpr int kReaderVoices = 1;

// A synthesizer that pins the presets of the SoundFont published under `name`, which fills
// FluidSynth's process-wide sample cache; nullptr when it cannot.
struct Reader {
    std::unique_ptr<fluid_settings_t, SettingsDeleter> settings;
    std::unique_ptr<fluid_synth_t, SynthDeleter> synth; // declared last: goes first
};

Reader readSamples(const std::string& name, const std::vector<BankProgram>& presets)
{
    Reader reader;
    reader.settings.reset(new_fluid_settings());
    if (!reader.settings)
        return reader;
    fluid_settings_t* settings = reader.settings.get();
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    fluid_settings_setint(settings, "synth.polyphony", kReaderVoices);
    fluid_settings_setint(settings, "synth.reverb.active", 0);
    fluid_settings_setint(settings, "synth.chorus.active", 0);
    reader.synth.reset(new_fluid_synth(settings));
    if (!reader.synth)
        return reader;
    fluid_synth_add_sfloader(reader.synth.get(), SubsetSoundFonts::newLoader(settings));
    const int id = fluid_synth_sfload(reader.synth.get(), name.c_str(), 0);
    if (id == FLUID_FAILED)
        return reader;
    for (const BankProgram& preset : presets)
        fluid_synth_pin_preset(reader.synth.get(), id, preset.bank, preset.program);
    return reader;
}

} // namespace

FluidInstruments::FluidInstruments(fluid_synth_t* synth, SoundFontIndex index, std::string name)
    : m_synth(synth), m_index(std::move(index)), m_name(std::move(name))
{
    m_worker = std::thread(&FluidInstruments::run, this);
}

FluidInstruments::~FluidInstruments()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_worker.join();
    SubsetSoundFonts::withdraw(m_name);
}

void FluidInstruments::request(const std::vector<BankProgram>& asked)
{
    std::vector<BankProgram> presets;
    for (const BankProgram& preset : asked)
        if (const auto resolved = m_index.resolve(preset))
            presets.push_back(*resolved);
    std::sort(presets.begin(), presets.end());
    presets.erase(std::unique(presets.begin(), presets.end()), presets.end());
    {
        std::lock_guard lock(m_mutex);
        if (presets == m_wanted)
            return;
        m_wanted = std::move(presets);
        ++m_requested;
    }
    m_changed.notify_all();
}

void FluidInstruments::waitUntilReady()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !pending() || m_stopping; });
}

std::vector<BankProgram> FluidInstruments::loaded() const
{
    std::lock_guard lock(m_mutex);
    return m_loaded;
}

void FluidInstruments::run()
{
    pthread_setname_np(pthread_self(), "tonvex-presets");
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || pending(); });
        if (m_stopping)
            return;
        const std::uint64_t generation = m_requested;
        const std::vector<BankProgram> wanted = m_wanted;
        lock.unlock();
        const bool applied = apply(wanted);
        lock.lock();
        m_loaded = applied ? wanted : std::vector<BankProgram>{};
        m_ready = generation;
        m_changed.notify_all();
    }
}

bool FluidInstruments::apply(const std::vector<BankProgram>& presets)
{
    const int previous = m_fontId;
    m_fontId = -1;
    if (!presets.empty()) {
        SubsetSoundFonts::publish(m_name, m_index, m_index.tablesFor(presets));
        // Read in by the worker's own synthesizer first, the samples are found in the cache
        // when the real one pins them.
        const Reader reader = readSamples(m_name, presets);
        m_fontId = fluid_synth_sfload(m_synth, m_name.c_str(), 0);
        bool pinned = m_fontId != FLUID_FAILED;
        for (std::size_t i = 0; pinned && i < presets.size(); ++i)
            pinned = fluid_synth_pin_preset(m_synth, m_fontId, presets[i].bank, presets[i].program) == FLUID_OK;
        // A preset whose samples could not be read (the file gone, say) must never sound:
        // FluidSynth would play it from no data at all.
        if (!pinned && m_fontId != FLUID_FAILED)
            fluid_synth_sfunload(m_synth, m_fontId, 0);
        if (!pinned)
            m_fontId = -1;
    }
    // Channels move to the new presets (or to none); the old SoundFont and the samples only
    // it used go.
    if (previous >= 0)
        fluid_synth_sfunload(m_synth, previous, 1);
    else
        fluid_synth_program_reset(m_synth);
    // What the old presets' samples took goes back to the system.
    malloc_trim(0);
    return m_fontId >= 0 || presets.empty();
}

} // namespace tonvex
