// The engine on winmm under Wine. With WINEDLLOVERRIDES="winmm=n,b" the recording stand-in for
// winmm.dll beside this program takes the calls; without it Wine's own winmm has no MIDI
// device on these machines.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "midi_recording.h"
#include "port_playback.h"
#include "timed_song.h"
#include "winmm_port.h"
#include "winmm_root_factory.h"

namespace tonvex::test {
namespace {

namespace fs = std::filesystem;

// How late messages leave is a property of the machine's load as much as of the engine:
// bench/winmm/run.sh measures it at idle (within 2 ms, the first note within 20 ms). The fake
// device's tests hold the tempo map; here the real timer and port need only keep order and
// never send a message early.

bool standInLoaded()
{
    const HMODULE winmm = GetModuleHandleW(L"winmm.dll");
    return winmm && GetProcAddress(winmm, "tonvexRecordingWinmm");
}

fs::path tempFile(const std::string& name)
{
    return fs::temp_directory_path() / (name + "-" + std::to_string(GetCurrentProcessId()));
}

TEST(WinmmEngine, PlaysASongInOrderNeverEarlyAndStopSilencesEveryChannel)
{
    if (!standInLoaded())
        GTEST_SKIP() << "Wine's own winmm is loaded; the recording needs WINEDLLOVERRIDES=\"winmm=n,b\"";
    const fs::path record = tempFile("tonvex-winmm-record.txt");
    fs::remove(record);
    SetEnvironmentVariableW(L"TONVEX_MIDI_RECORD", record.c_str());
    const std::vector<std::uint8_t> song = bench::songWithTempoChanges(8);
    const fs::path path = tempFile("tonvex-winmm-song.mid");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(song.data()), std::ssize(song));

    auto root = winmmRootFactory()();
    auto performance = root->DirectMusicPerformanceCreate();
    auto loader = root->DirectMusicLoaderCreate();
    performance->InitAudio(kAudioFeaturesAll, AudioParams{}, kPathDynamicStereo, kPerformanceChannels);
    auto segment = loader->LoadSegment(reinterpret_cast<const char*>(path.u8string().c_str()));
    const double start = bench::counterSeconds();
    auto state = performance->PlaySegmentEx(*segment, 0, 0);
    while (performance->IsPlaying(*segment, *state) && bench::counterSeconds() - start < 30)
        Sleep(10);
    EXPECT_EQ(state->GetSeek(), segment->GetLength());
    performance->StopEx(*segment, 0, 0);
    performance->CloseDown();
    performance.reset();
    root.reset(); // the port closes with the root

    const std::vector<bench::RecordedCall> calls = bench::readRecording(record.string());
    fs::remove(record);
    fs::remove(path);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().call + " " + calls.front().argument, "open -1") << "the MIDI mapper";
    std::vector<double> late;
    const double origin = start + PortPlayback::kStartLatencyMicros / 1e6;
    ASSERT_NO_THROW(late = bench::lateness(calls, song, origin)) << "the song's messages in order";
    std::sort(late.begin(), late.end());
    EXPECT_GE(late.front(), 0.0);
    std::printf("%zu messages late by median %.3f ms, at most %.3f ms\n", late.size(), late[late.size() / 2],
                late.back());

    // The stop: all sound off, all notes off, controllers reset, each on the sixteen channels;
    // the performance leaves the port reset, and it closes with the root.
    std::vector<std::string> expected, tail;
    for (int controller : {0x78, 0x7B, 0x79})
        for (int channel = 0; channel < 16; ++channel) {
            char message[8];
            std::snprintf(message, sizeof message, "%06x", controller << 8 | 0xB0 | channel);
            expected.push_back(std::string("short ") + message);
        }
    expected.insert(expected.end(), {"reset ", "reset ", "close "});
    ASSERT_GE(calls.size(), expected.size());
    for (auto call = calls.end() - std::ssize(expected); call != calls.end(); ++call)
        tail.push_back(call->call + " " + call->argument);
    EXPECT_EQ(tail, expected);
}

TEST(WinmmEngine, WithoutADeviceNoRootIsMadeAndNoPortOpens)
{
    if (standInLoaded())
        GTEST_SKIP() << "the recording stand-in is a device";
    EXPECT_THROW(winmmRootFactory()(), EngineError);
    EXPECT_THROW(WinmmPort::open(), EngineError);
}

} // namespace
} // namespace tonvex::test
