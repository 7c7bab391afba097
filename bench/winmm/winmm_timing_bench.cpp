// Timing of the engine on winmm, measured under Wine through the recording stand-in for
// winmm.dll (run through run.sh). Prints the figures.
//
// Press to first note: from the start of a play-input press (OpenMIDIFIle, then PlayMidiFile)
// to the first note-on the device gets, and from the play call alone. Lateness: how long after
// its due time on the song's clock (which starts 2 ms after the play call) each message of a
// song with a tempo change every two quarters left.
//   tonvex_bench_winmm [QUARTERS [PRESSES]]     (default 56 quarters, about 30 s, and 10 presses)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <string>
#include <vector>

#include "bench_view.h"
#include "input_loader.h"
#include "midi_recording.h"
#include "playback.h"
#include "port_playback.h"
#include "timed_song.h"
#include "waitable_timer.h"
#include "winmm_root_factory.h"

namespace {

using namespace tonvex;
namespace fs = std::filesystem;

constexpr DWORD kPlayedMillis = 300; // of each press, before its stop

double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

void summary(const char* what, const std::vector<double>& ms)
{
    std::printf("%-34s n=%-4zu mean %7.3f  median %7.3f  p99 %7.3f  max %7.3f ms\n", what, ms.size(),
                std::accumulate(ms.begin(), ms.end(), 0.0) / static_cast<double>(ms.size()), percentile(ms, 0.5),
                percentile(ms, 0.99), percentile(ms, 1.0));
}

// The first note-on the device got after `from`, in seconds.
double firstNoteAfter(const std::vector<bench::RecordedCall>& calls, double from)
{
    for (const auto& call : calls)
        if (call.seconds >= from && call.call == "short" && call.argument.size() == 6 && call.argument[4] == '9')
            return call.seconds;
    return from;
}

} // namespace

int main(int argc, char** argv)
{
    const int quarters = argc > 1 ? std::atoi(argv[1]) : 56;
    const int presses = argc > 2 ? std::atoi(argv[2]) : 10;
    const HMODULE winmm = GetModuleHandleW(L"winmm.dll");
    if (!winmm || !GetProcAddress(winmm, "tonvexRecordingWinmm")) {
        std::fprintf(stderr, "the recording stand-in for winmm.dll is not loaded (WINEDLLOVERRIDES=\"winmm=n,b\")\n");
        return 2;
    }
    const fs::path record = fs::temp_directory_path() / "tonvex-bench-winmm-record.txt";
    const fs::path path = fs::temp_directory_path() / "tonvex-bench-winmm-song.mid";
    fs::remove(record);
    SetEnvironmentVariableW(L"TONVEX_MIDI_RECORD", record.c_str());
    const std::vector<std::uint8_t> song = bench::songWithTempoChanges(quarters);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(song.data()), std::ssize(song));

    const std::string name = reinterpret_cast<const char*>(path.u8string().c_str());
    bench::BenchView view(name);
    Playback playback(view, winmmRootFactory());
    InputLoader loader(playback);
    Transport& transport = playback.transport();
    EngineSlots& slots = playback.engine();
    playback.state().InFileName = name;

    std::vector<double> pressed, played;
    for (int i = 0; i < presses; ++i) {
        pressed.push_back(bench::counterSeconds());
        loader.OpenMIDIFIle();
        played.push_back(bench::counterSeconds());
        transport.PlayMidiFile();
        Sleep(kPlayedMillis);
        transport.StopMidiFile();
    }
    loader.OpenMIDIFIle();
    const double start = bench::counterSeconds();
    transport.PlayMidiFile();
    while (slots.MusicPerformance->IsPlaying(*slots.SongSegment, *slots.SongState))
        Sleep(50);
    const double seconds = bench::counterSeconds() - start;
    transport.StopMidiFile();
    playback.lifecycle().CloseDevice();

    const std::vector<bench::RecordedCall> calls = bench::readRecording(record.string());
    std::vector<double> pressToNote, playToNote;
    for (int i = 0; i < presses; ++i) {
        const double note = firstNoteAfter(calls, played[static_cast<std::size_t>(i)]);
        pressToNote.push_back((note - pressed[static_cast<std::size_t>(i)]) * 1e3);
        playToNote.push_back((note - played[static_cast<std::size_t>(i)]) * 1e3);
    }
    std::printf("player timer: %s\n", WaitableTimer().highResolution() ? "high-resolution waitable timer"
                                                                       : "1 ms system period and plain waits");
    summary("press to first note", pressToNote);
    summary("play call to first note", playToNote);
    char what[64];
    std::snprintf(what, sizeof what, "lateness over %.1f s of song", seconds);
    summary(what, bench::lateness(calls, song, start + PortPlayback::kStartLatencyMicros / 1e6));
    fs::remove(record);
    fs::remove(path);
    return 0;
}
