// Drops, press to sound and playback CPU of the FluidSynth engine, measured at a PulseAudio
// null sink (run through run.sh, which starts a private server). Prints the figures.
//
// Drops: the window thread's time (wall clock and its own CPU) in the drop handler, the first
// drop of a session once the SoundFont read at start-up is done and the drops after it; the
// time from start-up to the SoundFont being ready; a drop at the very start, which waits for
// what is left of the read; and for comparison a first drop that reads the SoundFont itself.
//
// Press to sound: from the start of the play-input press (OpenMIDIFIle, then PlayMidiFile,
// with the SoundFont already loaded by the earlier drop) to the first non-silent frame the
// sink's monitor delivers; beside it the cold start of the fluidsynth command on the same
// file into the same sink. CPU: user + system time of this process over seconds of a dense
// 16-channel song.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "bench_view.h"
#include "fluid_preparation.h"
#include "fluid_root.h"
#include "input_loader.h"
#include "main_controller.h"
#include "playback.h"
#include "sink_recorder.h"
#include "smf_builder.h"

extern char** environ;

namespace {

using namespace tonvex;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::SinkRecorder;

constexpr int kSilence = 32;       // of 32767: the null sink's silence is exact zeros
constexpr int kPresses = 10;
constexpr int kCommandRuns = 5;
constexpr auto kQuiet = 400ms;     // between runs, so that each onset is found after silence

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

double maxOf(const std::vector<double>& v)
{
    return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
}

// Wall-clock time at which the first sound after `from` reached the recorder; nullopt-like
// time_point::max() when none came within the limit.
Clock::time_point firstSound(const SinkRecorder& recorder, std::size_t from, Clock::duration limit)
{
    const Clock::time_point deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        const std::size_t loud = recorder.firstLoud(from, recorder.frames(), kSilence);
        if (loud != SinkRecorder::npos)
            return recorder.arrival(loud);
        std::this_thread::sleep_for(1ms);
    }
    return Clock::time_point::max();
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A dense song: 16 channels, each its own instrument (drums on 10), a four-note chord on
// every eighth note at 120 bpm for `seconds`.
test::Bytes denseSong(int seconds)
{
    std::vector<test::Bytes> tracks;
    test::TrackBuilder conductor;
    conductor.tempo(500000).at(static_cast<std::uint32_t>(seconds * 2 * 96)).end();
    tracks.push_back(conductor.chunk());
    for (int channel = 0; channel < 16; ++channel) {
        test::TrackBuilder track;
        track.program(channel, (channel * 8 + 1) % 128);
        const int base = channel == 9 ? 36 : 36 + (channel * 5) % 36;
        for (int eighth = 0; eighth < seconds * 4; ++eighth) {
            for (int n = 0; n < 4; ++n)
                track.noteOn(channel, base + n * 4 + (eighth % 3), 90);
            track.at(48);
            for (int n = 0; n < 4; ++n)
                track.noteOff(channel, base + n * 4 + (eighth % 3));
        }
        tracks.push_back(track.end().chunk());
    }
    return test::smfFile(tracks, 96);
}

// CPU time of the calling thread.
double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

struct DropTime {
    double wallMs = 0;
    double cpuMs = 0;
};

// One drop of `song` on the window, timed on this (the window's) thread.
DropTime timeDrop(MainController& controller, const std::string& song)
{
    const double cpu = threadCpuMs();
    const Clock::time_point start = Clock::now();
    controller.DragFile_OLEDragDrop({song});
    return {ms(Clock::now() - start), threadCpuMs() - cpu};
}

const Transformation kNoTransformation = [](const std::string&, const Preset&, const YieldHook&) {
    return RunResult{};
};

void measureDrops(const std::string& song)
{
    constexpr int kLaterDrops = 10;
    bench::BenchView view(song);

    // Start-up as the program does it, then the first drop once the worker is done.
    const Clock::time_point startUp = Clock::now();
    auto preparation = std::make_shared<FluidPreparation>();
    double readyMs = 0;
    {
        MainController controller(view, fluidRootFactory(preparation), kNoTransformation);
        while (!preparation->ready())
            std::this_thread::sleep_for(1ms);
        readyMs = ms(Clock::now() - startUp);
        std::this_thread::sleep_for(kQuiet);
        const DropTime first = timeDrop(controller, song);
        std::vector<double> laterWall, laterCpu;
        for (int i = 0; i < kLaterDrops; ++i) {
            std::this_thread::sleep_for(100ms);
            const DropTime later = timeDrop(controller, song);
            laterWall.push_back(later.wallMs);
            laterCpu.push_back(later.cpuMs);
        }
        controller.Shut_Click();
        std::printf("start-up to SoundFont ready (worker thread): %.1f ms\n", readyMs);
        std::printf("first drop, window thread: %.1f ms wall, %.1f ms CPU (target < 50 ms)\n", first.wallMs,
                    first.cpuMs);
        std::printf("later drops, window thread, %d drops: median %.1f ms wall (max %.1f), median %.1f ms CPU\n",
                    kLaterDrops, median(laterWall), maxOf(laterWall), median(laterCpu));
    }

    // A drop at once: it waits only for what is left of the read.
    {
        const Clock::time_point start = Clock::now();
        MainController controller(view, fluidRootFactory(), kNoTransformation);
        const DropTime early = timeDrop(controller, song);
        controller.Shut_Click();
        std::printf("drop at start-up, before the SoundFont is ready: done %.1f ms after start-up, "
                    "%.1f ms of window-thread CPU\n", ms(Clock::now() - start), early.cpuMs);
    }

    // As before the worker: the first drop reads the SoundFont on the window thread.
    {
        MainController controller(view, [] { return createFluidRoot(); }, kNoTransformation);
        const DropTime first = timeDrop(controller, song);
        controller.Shut_Click();
        std::printf("first drop reading the SoundFont on the window thread: %.1f ms wall, %.1f ms CPU\n",
                    first.wallMs, first.cpuMs);
    }
}

pid_t spawnQuiet(const std::vector<std::string>& args)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

} // namespace

int main(int argc, char** argv)
{
    const char* sink = std::getenv("TONVEX_TEST_SINK");
    if (!sink) {
        std::fprintf(stderr, "run through bench/playback/run.sh (needs TONVEX_TEST_SINK)\n");
        return 2;
    }
    const std::string song = argc > 1 ? argv[1] : TONVEX_TESTDATA_DIR "/Tonejs_Midi/examples/bach_846.mid";
    if (!std::filesystem::is_regular_file(song)) {
        std::fprintf(stderr, "no song at %s\n", song.c_str());
        return 2;
    }
    SinkRecorder recorder(sink);
    recorder.waitForFrames(1, 3000ms);
    std::this_thread::sleep_for(1s); // the null sink keeps time only with a low-latency reader

    std::printf("song: %s\n", song.c_str());
    measureDrops(song);

    bench::BenchView view(song);
    Playback playback(view, fluidRootFactory());
    InputLoader loader(playback);
    MainState& state = playback.state();
    EngineSlots& engine = playback.engine();
    Transport& transport = playback.transport();

    // The drop: the first load builds the root on the prepared SoundFont.
    state.InFileName = song;
    loader.OpenMIDIFIle();
    if (!engine.SongSegment) {
        std::fprintf(stderr, "the engine could not load %s\n", song.c_str());
        return 1;
    }
    std::this_thread::sleep_for(kQuiet);

    std::vector<double> callMs, soundMs;
    int silent = 0;
    Clock::time_point start;
    for (int i = 0; i < kPresses; ++i) {
        const std::size_t from = recorder.frames();
        start = Clock::now();
        state.InFileName = song; // the play-input press
        loader.OpenMIDIFIle();
        transport.PlayMidiFile();
        callMs.push_back(ms(Clock::now() - start));
        const Clock::time_point sound = firstSound(recorder, from, 3s);
        if (sound == Clock::time_point::max())
            ++silent;
        else
            soundMs.push_back(ms(sound - start));
        std::this_thread::sleep_for(300ms);
        transport.StopMidiFile();
        std::this_thread::sleep_for(kQuiet);
    }

    // A load alone starts and stops the song once to read its tempo: is that heard?
    int probesHeard = 0;
    for (int i = 0; i < kCommandRuns; ++i) {
        const std::size_t from = recorder.frames();
        state.InFileName = song;
        loader.OpenMIDIFIle();
        std::this_thread::sleep_for(300ms);
        probesHeard += recorder.firstLoud(from, recorder.frames(), kSilence) != SinkRecorder::npos;
    }

    // The fluidsynth command, cold, on the same file into the same sink.
    const std::string soundFont = static_cast<FluidRoot&>(*engine.DirectXRoot).core().soundFontPath();
    std::vector<double> commandMs;
    for (int i = 0; i < kCommandRuns; ++i) {
        const std::size_t from = recorder.frames();
        start = Clock::now();
        const pid_t pid = spawnQuiet({"fluidsynth", "-a", "pulseaudio", "-ni", soundFont, song});
        if (pid < 0) {
            std::fprintf(stderr, "the fluidsynth command is not installed (Debian package fluidsynth)\n");
            break;
        }
        const Clock::time_point sound = firstSound(recorder, from, 5s);
        if (sound != Clock::time_point::max())
            commandMs.push_back(ms(sound - start));
        ::kill(pid, SIGTERM);
        int status = 0;
        ::waitpid(pid, &status, 0);
        std::this_thread::sleep_for(kQuiet);
    }

    // CPU while a dense song plays through the whole engine.
    const std::string dense = test::writeTempFile("dense16.mid", denseSong(12));
    view = bench::BenchView(dense);
    state.InFileName = dense;
    loader.OpenMIDIFIle();
    transport.PlayMidiFile();
    std::this_thread::sleep_for(1s);
    const double cpu0 = cpuSeconds();
    const Clock::time_point wall0 = Clock::now();
    int voices = 0;
    for (int i = 0; i < 50; ++i) {
        std::this_thread::sleep_for(100ms);
        voices = std::max(voices, fluid_synth_get_active_voice_count(
                                      static_cast<FluidRoot&>(*engine.DirectXRoot).core().synth()));
    }
    const double cpuShare = (cpuSeconds() - cpu0) / std::chrono::duration<double>(Clock::now() - wall0).count();
    const MusicTime position = engine.SongState ? engine.SongState->GetSeek() : 0;
    transport.StopMidiFile();
    playback.lifecycle().CloseDevice();

    std::printf("SoundFont: %s\n", soundFont.c_str());
    std::printf("press to sound, engine (OpenMIDIFIle + PlayMidiFile to first sound), %zu presses: "
                "median %.1f ms, max %.1f ms (target < 100 ms)%s\n",
                soundMs.size(), median(soundMs), maxOf(soundMs), silent ? " (some presses silent!)" : "");
    std::printf("  the call itself (OpenMIDIFIle + PlayMidiFile): median %.1f ms, max %.1f ms (target < 30 ms)\n",
                median(callMs), maxOf(callMs));
    std::printf("loads alone (tempo probe) heard at the sink: %d of %d\n", probesHeard, kCommandRuns);
    std::printf("fluidsynth command cold start to first sound, %zu runs: median %.1f ms, max %.1f ms\n",
                commandMs.size(), median(commandMs), maxOf(commandMs));
    std::printf("CPU while playing a dense 16-channel song: %.1f %% of one core over 5 s "
                "(up to %d voices; song clock %d after 6 s, 9216 if on time)\n",
                100.0 * cpuShare, voices, position);
    std::printf("(sound times are when the sink's monitor delivered the frame to the recorder: an upper bound)\n");
    return 0;
}
