// The engine against a real sound server: the PulseAudio null sink the test command starts.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>

#include <dirent.h>

#include "fluid_performance.h"
#include "fluid_root.h"
#include "midi_bytes.h"
#include "sink_recorder.h"
#include "smf_builder.h"
#include "temp_dir.h"

#if defined(__SANITIZE_ADDRESS__)
#define TONVEX_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TONVEX_ASAN 1
#endif
#endif

#ifdef TONVEX_ASAN
// Freed memory waits in AddressSanitizer's quarantine (256 MB by default), which would read as
// growth in the rebuild test; a small one fills during its warm-up. Leaks are LeakSanitizer's.
extern "C" const char* __asan_default_options()
{
    return "quarantine_size_mb=4";
}
#endif

namespace tonvex::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kLoud = 200;          // of 32767: well above the null sink's digital silence
constexpr int kOrgan = 19;          // General MIDI church organ: holds its level while held
constexpr int kDivision = 480;

// A 120 bpm song: one organ chord held for `quarters` quarter notes, optionally never released.
Bytes organChord(int quarters, bool release = true)
{
    TrackBuilder track;
    track.tempo(500000).program(0, kOrgan).noteOn(0, 60, 110).noteOn(0, 64, 110).noteOn(0, 67, 110);
    const auto ticks = static_cast<std::uint32_t>(quarters * kDivision);
    if (release)
        track.at(ticks).noteOff(0, 60).noteOff(0, 64).noteOff(0, 67).end();
    else
        track.at(ticks).meta(0x01, {'e', 'n', 'd'}).end();
    return smfFile({track.chunk()}, kDivision);
}

// A 120 bpm song of `quarters` short piano notes, one a quarter: light to render, so the
// clock test measures the clock rather than the machine.
Bytes quarterNotes(int quarters)
{
    TrackBuilder track;
    track.tempo(500000).program(0, 0);
    for (int i = 0; i < quarters; ++i)
        track.noteOn(0, 72, 80).at(kDivision / 8).noteOff(0, 72).at(kDivision - kDivision / 8);
    return smfFile({track.end().chunk()}, kDivision);
}

double msBetween(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

class FluidSoundTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* sink = std::getenv("TONVEX_TEST_SINK");
        if (!sink || !*sink)
            GTEST_SKIP() << "TONVEX_TEST_SINK is not set: no test sound server";
        keepLogInTempDir();
        m_root = createFluidRoot();
        m_loader = m_root->DirectMusicLoaderCreate();
        m_recorder.emplace(sink);
        // Until a low-latency stream records it, the null sink runs about two seconds late.
        ASSERT_TRUE(m_recorder->waitForFrames(1, 3000ms));
        std::this_thread::sleep_for(1s);
    }

    std::unique_ptr<Performance> openPerformance()
    {
        auto performance = m_root->DirectMusicPerformanceCreate();
        performance->InitAudio(kAudioFeaturesAll, AudioParams{}, kPathDynamicStereo, kPerformanceChannels);
        return performance;
    }

    std::unique_ptr<Segment> load(const std::string& name, const Bytes& bytes)
    {
        return m_loader->LoadSegment(writeTempFile(name, bytes));
    }

    std::unique_ptr<MusicRoot> m_root;
    std::unique_ptr<Loader> m_loader;
    std::optional<SinkRecorder> m_recorder;
};

// The engine's clock and its output follow the rendered audio, which a busy machine (two
// cores shared by builds) can hold up for a moment; a timing counts if one of three attempts
// lands.
constexpr int kAttempts = 3;

std::string listed(const std::vector<double>& values)
{
    std::string text;
    for (double v : values)
        text += std::to_string(v) + " ";
    return text;
}

TEST_F(FluidSoundTest, PlayedSongIsAudibleAndStopCutsItWithin50Ms)
{
    auto performance = openPerformance();
    auto segment = load("chord.mid", organChord(16));
    // The loader's tempo probe starts and stops the song once before the real start.
    performance->PlaySegmentEx(*segment, 0, 0);
    performance->StopEx(*segment, 0, 0);

    std::vector<double> cutOffsets, cutDelays;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::size_t before = m_recorder->frames();
        const Clock::time_point played = Clock::now();
        auto state = performance->PlaySegmentEx(*segment, 0, 0);
        std::this_thread::sleep_until(played + 1s);
        const Clock::time_point stopped = Clock::now();
        for (int channel = 0; channel < 16; ++channel)
            performance->SendMIDIPMSG(0, kMessageAtOnce, channel, midi::kControlChange, midi::kAllSoundOff, 0);
        performance->StopEx(*segment, 0, 0);
        std::this_thread::sleep_for(400ms);
        const std::size_t after = m_recorder->frames();

        const std::size_t onset = m_recorder->firstLoud(before, after, kLoud);
        ASSERT_NE(onset, SinkRecorder::npos) << "nothing was heard";
        EXPECT_GT(m_recorder->rms(onset, onset + SinkRecorder::framesIn(500ms)), 500.0);
        EXPECT_FALSE(performance->IsPlaying(*segment, *state));

        const std::size_t last = m_recorder->lastLoud(onset, after, kLoud);
        // In sample offsets from the onset: it sounded until the stop...
        const double lastMs = 1000.0 * double(last - onset) / SinkRecorder::kRate;
        const double stopMs = msBetween(played, stopped);
        EXPECT_GT(lastMs, stopMs - 100.0);
        // ...and ended within 50 ms of it; in wall-clock time too, with the recording's own
        // delivery delay counted against the engine.
        cutOffsets.push_back(lastMs - stopMs);
        cutDelays.push_back(msBetween(stopped, m_recorder->arrival(last)));
        if (cutOffsets.back() < 50.0 && cutDelays.back() < 50.0 + 25.0)
            break;
    }
    EXPECT_LT(cutOffsets.back(), 50.0) << "sound after the stop (ms, by offsets): " << listed(cutOffsets);
    EXPECT_LT(cutDelays.back(), 50.0 + 25.0) << "sound after the stop (ms, wall clock): " << listed(cutDelays);
    performance->CloseDown();
}

TEST_F(FluidSoundTest, GetSeekFollowsTheRenderedAudio)
{
    auto performance = openPerformance();
    auto segment = load("long.mid", quarterNotes(16));
    std::vector<double> seen;
    std::unique_ptr<SegmentState> state;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const Clock::time_point played = Clock::now();
        state = performance->PlaySegmentEx(*segment, 0, 0);
        std::this_thread::sleep_until(played + 1s);
        seen.push_back(state->GetSeek());
        if (std::abs(seen.back() - 1536) <= 1536 * 0.05)
            break;
    }
    EXPECT_NEAR(seen.back(), 1536, 1536 * 0.05) << "after one second: " << listed(seen);
    EXPECT_GE(performance->GetMusicTime(), seen.back());
    performance->StopEx(*segment, 0, 0);
    const MusicTime atStop = state->GetSeek();
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(state->GetSeek(), atStop) << "the position moved after the stop";

    // A start point: the next start begins there, and the clock runs on from it at the
    // song's tempo (the player's own seek would run it slow).
    segment->SetStartPoint(3072);
    std::unique_ptr<SegmentState> resumed;
    seen.clear();
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const Clock::time_point played = Clock::now();
        resumed = performance->PlaySegmentEx(*segment, 0, 0);
        std::this_thread::sleep_until(played + 500ms);
        seen.push_back(resumed->GetSeek());
        if (std::abs(seen.back() - (3072 + 768)) <= 768 * 0.1)
            break;
    }
    EXPECT_NEAR(seen.back(), 3072 + 768, 768 * 0.1) << "half a second from 3072: " << listed(seen);
    EXPECT_FALSE(performance->IsPlaying(*segment, *state)) << "the replaced start still plays";
    EXPECT_TRUE(performance->IsPlaying(*segment, *resumed));
    performance->CloseDown();
    EXPECT_NO_THROW(resumed->GetSeek()) << "a state outlives its performance";
}

TEST_F(FluidSoundTest, IsPlayingTurnsFalseAtTheSongsEndAndHangingNotesStop)
{
    auto performance = openPerformance();
    auto segment = load("short.mid", organChord(3, false)); // 1.5 s, the chord never released
    std::vector<double> seen;
    std::size_t before = 0;
    std::unique_ptr<SegmentState> state;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        before = m_recorder->frames();
        const Clock::time_point played = Clock::now();
        state = performance->PlaySegmentEx(*segment, 0, 0);
        EXPECT_TRUE(performance->IsPlaying(*segment, *state));
        double endedMs = 1e9;
        while (msBetween(played, Clock::now()) < 4000.0) {
            if (!performance->IsPlaying(*segment, *state)) {
                endedMs = msBetween(played, Clock::now());
                break;
            }
            std::this_thread::sleep_for(10ms);
        }
        seen.push_back(endedMs);
        if (endedMs > 1400.0 && endedMs < 1800.0)
            break;
    }
    // Not the player's own end report, which waits for the voices to die away.
    EXPECT_GT(seen.back(), 1400.0) << "ended after (ms): " << listed(seen);
    EXPECT_LT(seen.back(), 1800.0) << "ended after (ms): " << listed(seen);
    EXPECT_EQ(state->GetSeek(), segment->GetLength());

    std::this_thread::sleep_for(1500ms);
    const std::size_t after = m_recorder->frames();
    const std::size_t onset = m_recorder->firstLoud(before, after, kLoud);
    ASSERT_NE(onset, SinkRecorder::npos);
    const std::size_t last = m_recorder->lastLoud(onset, after, kLoud);
    EXPECT_LT(last - onset, SinkRecorder::framesIn(2500ms)) << "the held chord kept sounding";
    performance->CloseDown();
}

TEST_F(FluidSoundTest, OnePerformanceHoldsTheOutputAndEachStartsClean)
{
    const auto& core = static_cast<FluidRoot&>(*m_root).core();
    auto first = openPerformance();
    first->SetMasterVolume(-2000);
    auto segment = load("level.mid", organChord(2));
    first->PlaySegmentEx(*segment, 0, 0);
    first->StopEx(*segment, 0, 0); // clears the synthesizer, but not the master level
    EXPECT_NEAR(fluid_synth_get_gain(core.synth()), core.songGain() * 0.1, 1e-5);
    auto second = m_root->DirectMusicPerformanceCreate();
    EXPECT_THROW(second->InitAudio(kAudioFeaturesAll, AudioParams{}, kPathDynamicStereo,
                                   kPerformanceChannels),
                 EngineError);
    EXPECT_THROW(first->InitAudio(kAudioFeaturesAll, AudioParams{}, kPathDynamicStereo,
                                  kPerformanceChannels),
                 EngineError);
    first->CloseDown();
    EXPECT_NO_THROW(second->InitAudio(kAudioFeaturesAll, AudioParams{}, kPathDynamicStereo,
                                      kPerformanceChannels));
    EXPECT_FLOAT_EQ(fluid_synth_get_gain(core.synth()), core.songGain());
    second->CloseDown();
}

#if defined(__SANITIZE_ADDRESS__)
extern "C" void __sanitizer_purge_allocator();
#endif

// Resident pages of this process. Under AddressSanitizer its quarantine of freed memory is
// emptied first, so that only memory still in use counts.
long residentPages()
{
#if defined(__SANITIZE_ADDRESS__)
    __sanitizer_purge_allocator();
#endif
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident;
}

int threadCount()
{
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/task")) {
        while (const dirent* entry = ::readdir(dir))
            count += entry->d_name[0] != '.';
        ::closedir(dir);
    }
    return count;
}

TEST_F(FluidSoundTest, RebuildingTheEngine200TimesLeaksNeitherMemoryNorThreads)
{
    const std::string path = writeTempFile("rebuild.mid", organChord(4));
    auto cycle = [&] {
        auto performance = m_root->DirectMusicPerformanceCreate();
        auto loader = m_root->DirectMusicLoaderCreate();
        performance->InitAudio(kAudioFeaturesAll, AudioParams{}, kPathDynamicStereo, kPerformanceChannels);
        auto segment = loader->LoadSegment(path);
        segment->Download(*performance);
        auto state = performance->PlaySegmentEx(*segment, 0, 0);
        performance->StopEx(*segment, 0, 0);
        performance->CloseDown();
    };
    for (int i = 0; i < 20; ++i) // let allocator pools and the server connection settle
        cycle();
    const long pagesBefore = residentPages();
    const int threadsBefore = threadCount();
    for (int i = 0; i < 200; ++i)
        cycle();
    const long growthKb = (residentPages() - pagesBefore) * (::sysconf(_SC_PAGESIZE) / 1024);
    EXPECT_LT(growthKb, 4096) << "resident memory grew by " << growthKb << " kB";
    EXPECT_EQ(threadCount(), threadsBefore);
}

// A PulseAudio server of the test's own to kill, freeze and start again; pactl and parec reach it
// through PULSE_SERVER, the engine through a socket whose unloading it sees as a lost server.
class PrivateServer {
public:
    static constexpr const char* kSink = "tonvex_restart";
    ~PrivateServer() { kill(); }

    // Without the engine's socket; false when it does not answer. Its own runtime folder keeps
    // it from finding the test command's server there and refusing; no bus, its D-Bus name.
    bool start()
    {
        const std::string command = "echo $$; exec env XDG_RUNTIME_DIR=" + m_dir.path().string()
            + " DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent"
            + " pulseaudio --daemonize=no -n --exit-idle-time=-1 --use-pid-file=no -L '" + module("control")
            + "' -L 'module-null-sink sink_name=" + kSink + "'";
        m_process.reset(::popen((command + " >/dev/null 2>&1").c_str(), "r"));
        m_pid = firstNumber(m_process.get());
        for (int i = 0; i < 500 && !pactl("info"); ++i)
            std::this_thread::sleep_for(10ms);
        return m_pid > 0 && pactl("info");
    }
    void kill()
    {
        if (m_process)
            ::kill(m_pid, SIGKILL);
        m_process.reset(); // reaps it
    }
    void freeze() { ::kill(m_pid, SIGSTOP); }
    bool dropEngine() { return pactl("unload-module " + std::to_string(m_engineModule)); }
    bool restoreEngine()
    {
        Pipe index(::popen(("pactl load-module " + module("engine")).c_str(), "r"), ::pclose);
        return (m_engineModule = firstNumber(index.get())) >= 0;
    }
    std::string server(const char* socket) const { return "unix:" + m_dir.file(socket); }

private:
    using Pipe = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
    static int firstNumber(std::FILE* in)
    {
        int number = -1;
        return in && std::fscanf(in, "%d", &number) == 1 ? number : -1;
    }
    std::string module(const char* socket) const
    {
        return "module-native-protocol-unix auth-anonymous=1 socket=" + m_dir.file(socket);
    }
    static bool pactl(const std::string& arguments)
    {
        return std::system(("pactl " + arguments + " >/dev/null 2>&1").c_str()) == 0;
    }

    TempDir m_dir;
    Pipe m_process{nullptr, ::pclose};
    pid_t m_pid = -1;
    int m_engineModule = -1;
};

TEST_F(FluidSoundTest, TheSongGoesOnWhenTheServerReturnsAndLosing200TimesLeaksNothing)
{
    PrivateServer server;
    m_recorder.reset();
    const int threadsBefore = threadCount();
    fluid_settings_t* settings = static_cast<FluidRoot&>(*m_root).core().settings();
    fluid_settings_setstr(settings, "audio.pulseaudio.server", server.server("engine").c_str());
    fluid_settings_setstr(settings, "audio.alsa.device", "tonvex_none"); // no card stands in
    ::setenv("PULSE_SERVER", server.server("control").c_str(), 1);
    struct Unset { ~Unset() { ::unsetenv("PULSE_SERVER"); } } unsetAtEnd;
    auto record = [&] { // until a recording runs, the null sink runs late
        m_recorder.emplace(PrivateServer::kSink);
        return m_recorder->waitForFrames(1, 3000ms);
    };
    auto segment = load("outage.mid", organChord(600));
    ASSERT_TRUE(server.start() && server.restoreEngine() && record());
    std::this_thread::sleep_for(1s);
    auto performance = openPerformance();
    auto& fluid = static_cast<FluidPerformance&>(*performance);
    auto driverIs = [&](const char* name) { // within two seconds
        for (int i = 0; i < 2000 && std::strcmp(fluid.driverName(), name) != 0; ++i)
            std::this_thread::sleep_for(1ms);
        return std::strcmp(fluid.driverName(), name) == 0;
    };
    auto state = performance->PlaySegmentEx(*segment, 0, 0);
    std::this_thread::sleep_for(1s);
    ASSERT_NE(m_recorder->firstLoud(0, m_recorder->frames(), kLoud), SinkRecorder::npos);
    server.kill();
    std::this_thread::sleep_for(200ms);
    const MusicTime lost = state->GetSeek();
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(state->GetSeek(), lost) << "the clock moved during the outage";
    EXPECT_TRUE(performance->IsPlaying(*segment, *state));

    ASSERT_TRUE(server.start() && record()); // the engine's way back opens after this
    std::this_thread::sleep_for(1s);
    ASSERT_TRUE(server.restoreEngine());
    const Clock::time_point returned = Clock::now();
    std::size_t onset = SinkRecorder::npos;
    while (onset == SinkRecorder::npos && Clock::now() < returned + 3s) {
        std::this_thread::sleep_for(10ms);
        onset = m_recorder->firstLoud(0, m_recorder->frames(), kLoud);
    }
    ASSERT_NE(onset, SinkRecorder::npos) << "silent 3 s after the server's return";
    const MusicTime resumed = state->GetSeek();
    EXPECT_NEAR(resumed, lost, 384) << "the song did not go on from where the sound stopped";
    std::this_thread::sleep_for(1s);
    EXPECT_NEAR(state->GetSeek() - resumed, 1536, 1536 * 0.15) << "the clock does not count on";
    m_recorder.reset(); // its samples would count as growth below

    fluid.setReopenInterval(5ms);
    auto cycle = [&] {
        return server.dropEngine() && driverIs("") && server.restoreEngine() && driverIs("pulseaudio");
    };
    for (int i = 0; i < 20; ++i) // let allocator pools settle
        ASSERT_TRUE(cycle());
    const long pagesBefore = residentPages();
    const int threadsPlaying = threadCount();
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(cycle()) << "cycle " << i;
    const long growthKb = (residentPages() - pagesBefore) * (::sysconf(_SC_PAGESIZE) / 1024);
    EXPECT_LT(growthKb, 8192) << "resident memory grew by " << growthKb << " kB"; // ASan: some MB
    EXPECT_EQ(threadCount(), threadsPlaying);

    ASSERT_TRUE(server.dropEngine() && driverIs(""));
    performance->StopEx(*segment, 0, 0);
    ASSERT_TRUE(server.restoreEngine());
    std::this_thread::sleep_for(100ms);
    EXPECT_STREQ(fluid.driverName(), "") << "still retrying after the stop";
    performance->PlaySegmentEx(*segment, 0, 0);
    ASSERT_TRUE(driverIs("pulseaudio")) << "a new start does not take the retrying up";

    server.freeze(); // hung: the output's thread stays in its write, which a close must not wait for
    std::this_thread::sleep_for(300ms);
    std::thread crash([&] { // frees a close that waits, so that it fails rather than hangs
        std::this_thread::sleep_for(500ms);
        server.kill();
    });
    const Clock::time_point closing = Clock::now();
    performance->CloseDown();
    EXPECT_LT(msBetween(closing, Clock::now()), 250.0);
    crash.join();
    for (int i = 0; i < 200 && threadCount() != threadsBefore; ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(threadCount(), threadsBefore) << "the output's thread outlived the hung call";
}

} // namespace
} // namespace tonvex::test
