// Sound under load, at a PulseAudio null sink (run through run.sh): with two busy processes at
// normal priority beside it (one per core), the silent gaps in a 20 s held chord and the time
// from a play press to the first sound; beside them the fluidsynth command on the same chord.
// The engine is measured twice: as the program runs here, and with its output thread held to
// normal scheduling, as for a desktop user without real-time rights.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>

#include "bench_support.h"
#include "bench_view.h"
#include "fluid_root.h"
#include "input_loader.h"
#include "playback.h"
#include "smf_builder.h"

namespace {

using namespace tonvex;
using namespace tonvex::bench;
using namespace std::chrono_literals;
using test::SinkRecorder;

constexpr int kOrgan = 19;   // General MIDI church organ: holds its level while held
constexpr int kChordSeconds = 20;
constexpr int kPresses = 10;
constexpr int kBusyProcesses = 2;
constexpr auto kQuiet = 400ms;
const std::size_t kGapFrames = SinkRecorder::framesIn(5ms);
// Well below the held chord's level and well above its release tail, whose quiet zero
// crossings would read as gaps.
constexpr int kHeld = 1000;

// One organ chord held for `seconds` at 120 bpm.
test::Bytes heldChord(int seconds)
{
    test::TrackBuilder track;
    track.tempo(500000).program(0, kOrgan).noteOn(0, 60, 100).noteOn(0, 64, 100).noteOn(0, 67, 100);
    track.at(static_cast<std::uint32_t>(seconds * 2 * 96)).noteOff(0, 60).noteOff(0, 64).noteOff(0, 67).end();
    return test::smfFile({track.chunk()}, 96);
}

// The engine as the window drives it.
struct Rig {
    explicit Rig(const std::string& song)
        : view(song), playback(view, fluidRootFactory()), loader(playback), state(playback.state()),
          engine(playback.engine()), transport(playback.transport())
    {
        state.InFileName = song;
        loader.OpenMIDIFIle();
    }
    ~Rig() { playback.lifecycle().CloseDevice(); }
    // The play-input press.
    void press(const std::string& song)
    {
        state.InFileName = song;
        loader.OpenMIDIFIle();
        transport.PlayMidiFile();
    }
    fluid_settings_t* settings() { return static_cast<FluidRoot&>(*engine.DirectXRoot).core().settings(); }

    bench::BenchView view;
    Playback playback;
    InputLoader loader;
    MainState& state;
    EngineSlots& engine;
    Transport& transport;
};

struct Held {
    Gaps gaps;
    double soundedMs = 0; // from the first sound to the chord's release
};

// Records the sink while `play` starts the chord, until `playing` turns false or 40 s pass.
template <typename Play, typename Playing>
Held recordChord(SinkRecorder& recorder, Play play, Playing playing)
{
    const std::size_t from = recorder.frames();
    play();
    const Clock::time_point start = Clock::now();
    while (playing() && Clock::now() < start + 40s)
        std::this_thread::sleep_for(20ms);
    std::this_thread::sleep_for(500ms);
    const std::size_t to = recorder.frames();
    const std::size_t first = recorder.firstLoud(from, to, kSilence);
    const std::size_t last = recorder.lastLoud(from, to, kHeld);
    Held held;
    if (first == SinkRecorder::npos || last == SinkRecorder::npos)
        return held;
    held.gaps = findGaps(recorder.magnitudes(first, last + 1), kGapFrames);
    held.soundedMs = 1000.0 * double(last - first) / SinkRecorder::kRate;
    return held;
}

void printHeld(const char* who, const Held& held)
{
    std::printf("%s: %d gaps over 5 ms (longest %.1f ms, %.0f ms in all), sounded %.2f s for %d s "
                "(target: no gap over 5 ms)\n",
                who, held.gaps.count, held.gaps.longestMs, held.gaps.totalMs, held.soundedMs / 1000.0,
                kChordSeconds);
    if (!held.gaps.startsMs.empty()) {
        std::printf("  first gaps begin at (s):");
        for (double start : held.gaps.startsMs)
            std::printf(" %.3f", start / 1000.0);
        std::printf("\n");
    }
}

std::vector<double> pressesToSound(Rig& rig, SinkRecorder& recorder, const std::string& song)
{
    std::vector<double> sound;
    for (int i = 0; i < kPresses; ++i) {
        const std::size_t from = recorder.frames();
        const Clock::time_point start = Clock::now();
        rig.press(song);
        const Clock::time_point heard = firstSound(recorder, from, 3s);
        if (heard != Clock::time_point::max())
            sound.push_back(ms(heard - start));
        std::this_thread::sleep_for(300ms);
        rig.transport.StopMidiFile();
        std::this_thread::sleep_for(kQuiet);
    }
    return sound;
}

void measureEngine(SinkRecorder& recorder, const std::string& chord, bool realtime)
{
    Rig rig(chord);
    if (!rig.engine.SongSegment) {
        std::fprintf(stderr, "the engine could not load the chord\n");
        return;
    }
    if (!realtime)
        fluid_settings_setint(rig.settings(), "audio.realtime-prio", 0);
    const char* how = realtime ? "engine" : "engine, output at normal priority";
    std::this_thread::sleep_for(kQuiet);
    const std::vector<double> quiet = pressesToSound(rig, recorder, chord);
    CpuHogs hogs(kBusyProcesses);
    std::this_thread::sleep_for(500ms);
    const std::vector<double> loaded = pressesToSound(rig, recorder, chord);
    const Held held = recordChord(
        recorder, [&] { rig.press(chord); },
        [&] {
            return rig.engine.SongState && rig.engine.MusicPerformance && rig.engine.SongSegment
                   && rig.engine.MusicPerformance->IsPlaying(*rig.engine.SongSegment, *rig.engine.SongState);
        });
    rig.transport.StopMidiFile();
    std::printf("%s: press to sound, %zu presses: median %.1f ms idle machine, %.1f ms (max %.1f) "
                "under load (target <= 30 ms median)\n",
                how, loaded.size(), median(quiet), median(loaded), maxOf(loaded));
    printHeld(how, held);
}

void measureCommand(SinkRecorder& recorder, const std::string& chord, const std::string& soundFont)
{
    CpuHogs hogs(kBusyProcesses);
    std::this_thread::sleep_for(500ms);
    std::vector<double> sound;
    for (int i = 0; i < 5; ++i) {
        const std::size_t from = recorder.frames();
        const Clock::time_point start = Clock::now();
        const pid_t pid = spawnQuiet({"fluidsynth", "-a", "pulseaudio", "-ni", soundFont, chord});
        if (pid < 0) {
            std::fprintf(stderr, "the fluidsynth command is not installed (Debian package fluidsynth)\n");
            return;
        }
        const Clock::time_point heard = firstSound(recorder, from, 5s);
        if (heard != Clock::time_point::max())
            sound.push_back(ms(heard - start));
        stopChild(pid);
        std::this_thread::sleep_for(kQuiet);
    }
    pid_t pid = -1;
    const Held held = recordChord(
        recorder, [&] { pid = spawnQuiet({"fluidsynth", "-a", "pulseaudio", "-ni", soundFont, chord}); },
        [&] { return pid > 0 && ::waitpid(pid, nullptr, WNOHANG) == 0; });
    std::printf("fluidsynth command: cold start to sound under load, %zu runs: median %.1f ms\n", sound.size(),
                median(sound));
    printHeld("fluidsynth command", held);
}

} // namespace

int main()
{
    const char* sink = std::getenv("TONVEX_TEST_SINK");
    if (!sink) {
        std::fprintf(stderr, "run through bench/playback/run.sh (needs TONVEX_TEST_SINK)\n");
        return 2;
    }
    SinkRecorder recorder(sink);
    recorder.waitForFrames(1, 3000ms);
    std::this_thread::sleep_for(1s); // the null sink keeps time only with a low-latency reader

    const std::string chord = test::writeTempFile("held-chord.mid", heldChord(kChordSeconds));
    std::string soundFont;
    {
        Rig rig(chord);
        if (rig.engine.DirectXRoot)
            soundFont = static_cast<FluidRoot&>(*rig.engine.DirectXRoot).core().soundFontPath();
    }
    std::printf("%d busy processes beside the player, %u cores\n", kBusyProcesses, std::thread::hardware_concurrency());
    measureEngine(recorder, chord, true);
    measureEngine(recorder, chord, false);
    if (!soundFont.empty())
        measureCommand(recorder, chord, soundFont);
    return 0;
}
