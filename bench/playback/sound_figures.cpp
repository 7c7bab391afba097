#include "sound_figures.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

#include "bench_support.h"
#include "engine.h"
#include "fluid_performance.h"
#include "song_survey.h"

namespace tonvex::bench {
namespace {

using namespace std::chrono_literals;

constexpr int kBlock = 4096;
constexpr int kSpareChannel = 15;
constexpr double kDefaultGain = 0.2; // FluidSynth's

struct SettingsDeleter {
    void operator()(fluid_settings_t* s) const { delete_fluid_settings(s); }
};
struct SynthDeleter {
    void operator()(fluid_synth_t* s) const { delete_fluid_synth(s); }
};
struct PlayerDeleter {
    void operator()(fluid_player_t* p) const { delete_fluid_player(p); }
};

std::vector<std::uint8_t> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double dbfs(double peak)
{
    return 20.0 * std::log10(std::max(peak, 1e-9));
}

// The song's peak sample at the gain, rendered until FluidSynth's player is done.
double renderPeak(fluid_synth_t* synth, const std::vector<std::uint8_t>& song, double gain)
{
    fluid_synth_system_reset(synth);
    fluid_synth_set_gain(synth, static_cast<float>(gain));
    std::unique_ptr<fluid_player_t, PlayerDeleter> player(new_fluid_player(synth));
    fluid_player_add_mem(player.get(), song.data(), song.size());
    fluid_player_play(player.get());
    std::vector<float> left(kBlock), right(kBlock);
    float* out[2] = {left.data(), right.data()};
    double peak = 0.0;
    while (fluid_player_get_status(player.get()) == FLUID_PLAYER_PLAYING) {
        std::fill(left.begin(), left.end(), 0.0f);
        std::fill(right.begin(), right.end(), 0.0f);
        fluid_synth_process(synth, kBlock, 2, out, 2, out);
        for (int i = 0; i < kBlock; ++i)
            peak = std::max({peak, double(std::fabs(left[i])), double(std::fabs(right[i]))});
    }
    return peak;
}

std::unique_ptr<fluid_synth_t, SynthDeleter> makeSynth(fluid_settings_t* settings, const std::string& soundFont,
                                                       int& id)
{
    std::unique_ptr<fluid_synth_t, SynthDeleter> synth(new_fluid_synth(settings));
    id = synth ? fluid_synth_sfload(synth.get(), soundFont.c_str(), 1) : FLUID_FAILED;
    return synth;
}

} // namespace

void printLoudness(const std::string& soundFont, const std::vector<std::string>& songs)
{
    std::unique_ptr<fluid_settings_t, SettingsDeleter> settings(new_fluid_settings());
    int id = FLUID_FAILED;
    auto synth = makeSynth(settings.get(), soundFont, id);
    if (id == FLUID_FAILED) {
        std::printf("loudness: cannot load %s\n", soundFont.c_str());
        return;
    }
    const double master = std::pow(10.0, static_cast<double>(kMasterVolume) / 2000.0);
    for (const std::string& path : songs) {
        const std::vector<std::uint8_t> song = readFile(path);
        const double gain = FluidPerformance::gainFor(SongSurvey(song));
        const double peak = renderPeak(synth.get(), song, gain * master);
        const double before = renderPeak(synth.get(), song, kDefaultGain * master);
        std::printf("loudness of %s: peak %.1f dBFS at gain %.3f (solo piano: target -12 to -3; orchestra: "
                    "below 0); %.1f dBFS at FluidSynth's default gain\n",
                    path.substr(path.rfind('/') + 1).c_str(), dbfs(peak), gain, dbfs(before));
    }
}

void printInstrumentChanges(FluidCore& core, const std::string& soundFont)
{
    const Clock::time_point start = Clock::now();
    core.instruments().waitUntilReady();
    const double readyMs = ms(Clock::now() - start);
    const std::vector<BankProgram> presets = core.instruments().loaded();
    fluid_sfont_t* font = fluid_synth_get_sfont(core.synth(), 0);
    if (!font || presets.empty()) {
        std::printf("instrument changes: no presets loaded\n");
        return;
    }
    double prepared = 0.0;
    for (const BankProgram& preset : presets) {
        const Clock::time_point before = Clock::now();
        fluid_synth_program_select(core.synth(), kSpareChannel, fluid_sfont_get_id(font), preset.bank, preset.program);
        prepared = std::max(prepared, ms(Clock::now() - before));
    }
    fluid_synth_system_reset(core.synth());

    // FluidSynth's own dynamic loading, as a plain player would use it: the first selection
    // of a preset reads its samples there and then.
    std::unique_ptr<fluid_settings_t, SettingsDeleter> settings(new_fluid_settings());
    fluid_settings_setint(settings.get(), "synth.dynamic-sample-loading", 1);
    int id = FLUID_FAILED;
    auto plain = makeSynth(settings.get(), soundFont, id);
    double onDemand = 0.0;
    double total = 0.0;
    for (const BankProgram& preset : presets) {
        const Clock::time_point before = Clock::now();
        fluid_synth_program_select(plain.get(), kSpareChannel, id, preset.bank, preset.program);
        const double took = ms(Clock::now() - before);
        onDemand = std::max(onDemand, took);
        total += took;
    }
    std::printf("instrument changes: %zu presets loaded by the worker %.1f ms after the drop returned; a program "
                "change then takes at most %.3f ms; loaded on demand it would hold the audio thread up to %.1f ms "
                "(%.1f ms in all)\n",
                presets.size(), readyMs, prepared, onDemand, total);
}

} // namespace tonvex::bench
