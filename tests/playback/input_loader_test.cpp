#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "rig.h"

namespace tonvex::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Calls = std::vector<std::string>;

// A format-0 file whose one track holds the given events and an end of track.
Bytes smf(const Bytes& events)
{
    Bytes track = events;
    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
    Bytes file{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k'};
    const auto size = static_cast<std::uint32_t>(track.size());
    file.insert(file.end(), {std::uint8_t(size >> 24), std::uint8_t(size >> 16), std::uint8_t(size >> 8), std::uint8_t(size)});
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

Bytes setTempo(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) { return {0x00, 0xFF, 0x51, 0x03, b1, b2, b3}; }

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(FirstTempoMicros, TakesTheFirstSetTempoHeadAnywhereInTheBytes)
{
    EXPECT_EQ(firstTempoMicros(smf(setTempo(0x07, 0xA1, 0x20))), 500000u);
    EXPECT_EQ(firstTempoMicros(smf(setTempo(0x0F, 0x42, 0x40))), 1000000u);
    EXPECT_EQ(firstTempoMicros(smf(setTempo(0x0A, 0xAE, 0x60))), 700000u);
    EXPECT_EQ(firstTempoMicros(smf(setTempo(0x0A, 0xAE, 0x60) + setTempo(0x07, 0xA1, 0x20))), 700000u);
    EXPECT_EQ(firstTempoMicros(smf(setTempo(0xFF, 0xFF, 0xFF))), 0xFFFFFFu);
    // A text event whose data holds the head, ahead of the real tempo event.
    const Bytes text{0x00, 0xFF, 0x01, 0x06, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40};
    EXPECT_EQ(firstTempoMicros(smf(text + setTempo(0x07, 0xA1, 0x20))), 1000000u);
    // The head starts on the second of two FF bytes.
    EXPECT_EQ(firstTempoMicros(Bytes{0xFF, 0xFF, 0x51, 0x03, 0x01, 0x02, 0x03}), 0x010203u);
}

TEST(FirstTempoMicros, CountsMissingTempoBytesAsZero)
{
    EXPECT_EQ(firstTempoMicros(Bytes{0xFF, 0x51, 0x03}), 0u);
    EXPECT_EQ(firstTempoMicros(Bytes{0xFF, 0x51, 0x03, 0x0A}), 0x0A0000u);
    EXPECT_EQ(firstTempoMicros(Bytes{0x00, 0xFF, 0x51, 0x03, 0x0A, 0xAE}), 0x0AAE00u);
}

TEST(FirstTempoMicros, NoBytesGiveZeroAndBytesWithoutTempoTheFileDefault)
{
    EXPECT_EQ(firstTempoMicros(Bytes{}), 0u);
    EXPECT_EQ(firstTempoMicros(smf({})), 500000u);
    EXPECT_EQ(firstTempoMicros(Bytes{0xFF, 0x51}), 500000u) << "a head cut short is no match";
    EXPECT_EQ(firstTempoMicros(Bytes{0xFF, 0x51, 0x02, 0x07, 0xA1, 0x20}), 500000u);
}

class InputLoaderTest : public ::testing::Test {
protected:
    // Loads the bytes as the input file; an output load when `asOutput`.
    void load(const Bytes& bytes, bool asOutput = false)
    {
        rig.state.InFileName = dir.write("song.mid", bytes);
        rig.state.OutFileName = asOutput ? rig.state.InFileName : "";
        rig.loader.OpenMIDIFIle();
    }
    std::string song() const { return dir.file("song.mid"); }

    // The calls of a whole input load on a working engine that has not been built yet.
    Calls firstLoadCalls() const
    {
        const std::string path = song();
        return concat({initializeCalls(),
                       {"<events>", "LoadSegment(" + path + ")", "SetStandardMidiFile(" + path + ")",
                        "Download(" + path + ")", "SetMasterTempo(1.000000)", "SetMasterVolume(-312)", "GetMusicTime()",
                        "PlaySegmentEx(" + path + ",0,0)", "GetTempo(0)", "StopEx(" + path + ",0,0)"}});
    }

    TempDir dir;
    Rig rig;
};

TEST_F(InputLoaderTest, InputLoadBuildsLoadsAndProbesTheEngineTempo)
{
    rig.engine.tempo = 93.75;
    rig.state.PlayPosition = 4321;

    load(smf(setTempo(0x09, 0xC4, 0x00)));

    EXPECT_EQ(rig.engine.operations(), firstLoadCalls());
    EXPECT_EQ(rig.state.TempoMicros, 640000.0);
    EXPECT_EQ(rig.state.BeatsPerMinute, 93.75) << "the engine's reading is kept unfloored";
    EXPECT_EQ(rig.state.PlayPosition, 0);
    EXPECT_TRUE(rig.state.EngineReady);
    EXPECT_NE(rig.slots.SongSegment, nullptr);
    EXPECT_NE(rig.slots.SongState, nullptr) << "the stopped probe's state stays";
    EXPECT_EQ(rig.view.processEventsCount, 1);
    EXPECT_TRUE(rig.view.messages.empty());
}

TEST_F(InputLoaderTest, ProbeAsksForTheTempoAtTheMusicTimeReadBeforeTheStart)
{
    rig.engine.musicTime = 98765;

    load(smf(setTempo(0x07, 0xA1, 0x20)));

    EXPECT_EQ(rig.engine.callsOf("GetTempo"), Calls{"GetTempo(98765)"});
}

TEST_F(InputLoaderTest, ReloadTearsTheFirstEngineDownBeforeBuildingTheNext)
{
    load(smf(setTempo(0x07, 0xA1, 0x20)));
    rig.transport.PlayMidiFile();
    rig.forget();

    load(smf(setTempo(0x07, 0xA1, 0x20)));

    const std::string path = song();
    EXPECT_EQ(rig.engine.operations(true),
              concat({stopCalls(path),
                      {"StopEx(" + path + ",0,0)", "CloseDown()", "<events>", "~Performance", "~Segment(" + path + ")",
                       "~SegmentState", "DirectMusicPerformanceCreate()", "DirectMusicLoaderCreate()", "~Loader"},
                      without(firstLoadCalls(), {"CreateRoot", "DirectMusicPerformanceCreate", "DirectMusicLoaderCreate"})}));
    EXPECT_EQ(rig.engine.maxLivePerformances, 1);
    EXPECT_EQ(rig.engine.maxOpenPerformances, 1);
    EXPECT_EQ(rig.engine.liveSegments, 1);
    EXPECT_EQ(rig.engine.liveStates, 1);
}

TEST_F(InputLoaderTest, RepeatedLoadPlayStopHoldsOneOfEachObject)
{
    for (int round = 0; round < 200; ++round) {
        load(smf(setTempo(0x07, 0xA1, 0x20)));
        rig.transport.PlayMidiFile();
        rig.transport.Timer1_Timer();
        rig.transport.StopMidiFile();
    }

    EXPECT_EQ(rig.engine.maxLivePerformances, 1);
    EXPECT_EQ(rig.engine.maxOpenPerformances, 1);
    EXPECT_EQ(rig.engine.liveSegments, 1);
    EXPECT_EQ(rig.engine.liveStates, 1);
    EXPECT_EQ(rig.engine.callsOf("CreateRoot").size(), 1u);
    EXPECT_EQ(rig.engine.callsOf("CloseDown").size(), 199u);
    EXPECT_EQ(rig.engine.callsOf("SetStartPoint").back(), "SetStartPoint(" + song() + ",0)");
}

struct TempoCase {
    Bytes tempo;
    double micros;
    double beatsPerMinute;
};

class OutputLoadTempo : public InputLoaderTest, public ::testing::WithParamInterface<TempoCase> {};

TEST_P(OutputLoadTempo, KeepsTheWholeTempoFromTheBytesAndSkipsTheProbe)
{
    const auto c = GetParam();
    rig.engine.tempo = 93.75;

    load(smf(c.tempo), true);

    EXPECT_EQ(rig.state.TempoMicros, c.micros);
    EXPECT_EQ(rig.state.BeatsPerMinute, c.beatsPerMinute);
    EXPECT_EQ(rig.engine.operations(), without(firstLoadCalls(), {"GetMusicTime", "PlaySegmentEx", "GetTempo", "StopEx"}));
    EXPECT_EQ(rig.slots.SongState, nullptr);
    EXPECT_TRUE(rig.state.EngineReady);
}

INSTANTIATE_TEST_SUITE_P(Tempos, OutputLoadTempo,
                         ::testing::Values(TempoCase{setTempo(0x07, 0xA1, 0x20), 500000, 120},
                                           TempoCase{setTempo(0x0F, 0x42, 0x40), 1000000, 60},
                                           TempoCase{setTempo(0x0A, 0xAE, 0x60), 700000, 85},
                                           TempoCase{setTempo(0x00, 0x00, 0x01), 1, 60000000},
                                           TempoCase{{}, 500000, 120}));

TEST_F(InputLoaderTest, OutputPathDifferingInLetterCaseStillProbes)
{
    rig.engine.tempo = 93.75;
    rig.state.InFileName = dir.write("song.mid", smf(setTempo(0x07, 0xA1, 0x20)));
    rig.state.OutFileName = dir.file("SONG.mid");

    rig.loader.OpenMIDIFIle();

    EXPECT_EQ(rig.engine.operations(), firstLoadCalls());
    EXPECT_EQ(rig.state.BeatsPerMinute, 93.75);
}

struct UnreadableCase {
    const char* name;
    bool create;
    Bytes bytes;
};

class UnusableFile : public InputLoaderTest, public ::testing::WithParamInterface<UnreadableCase> {};

TEST_P(UnusableFile, LeavesTheTempoAsItWasAndStillMarksTheEngineReady)
{
    const auto c = GetParam();
    rig.state.BeatsPerMinute = 42.0;
    rig.state.PlayPosition = 77;
    rig.state.InFileName = c.create ? dir.write(c.name, c.bytes) : dir.file(c.name);
    rig.engine.unloadable.insert(rig.state.InFileName);
    rig.state.OutFileName = rig.state.InFileName;

    rig.loader.OpenMIDIFIle();

    EXPECT_EQ(rig.state.TempoMicros, 0.0);
    EXPECT_EQ(rig.state.BeatsPerMinute, 42.0);
    EXPECT_TRUE(rig.state.EngineReady);
    EXPECT_EQ(rig.state.PlayPosition, 0);
    EXPECT_EQ(rig.slots.SongSegment, nullptr);
    EXPECT_EQ(rig.engine.callsOf("SetMasterVolume"), Calls{"SetMasterVolume(-312)"});
}

INSTANTIATE_TEST_SUITE_P(Files, UnusableFile,
                         ::testing::Values(UnreadableCase{"missing.mid", false, {}}, UnreadableCase{"empty.mid", true, {}},
                                           UnreadableCase{"cut.mid", true, {0x4D, 0x54, 0xFF, 0x51, 0x03}}));

TEST_F(InputLoaderTest, DirectoryNamedLikeAFileGivesNoBytes)
{
    rig.state.BeatsPerMinute = 42.0;
    rig.state.InFileName = dir.file("folder.mid");
    std::filesystem::create_directory(rig.state.InFileName);
    rig.state.OutFileName = rig.state.InFileName;

    rig.loader.OpenMIDIFIle();

    EXPECT_EQ(rig.state.TempoMicros, 0.0);
    EXPECT_EQ(rig.state.BeatsPerMinute, 42.0);
    EXPECT_TRUE(rig.state.EngineReady);
}

struct LoadFailure {
    const char* step;
    std::vector<std::string> skipped; // steps that cannot run without the failed one
};

class LoadWithFailingStep : public InputLoaderTest, public ::testing::WithParamInterface<LoadFailure> {};

TEST_P(LoadWithFailingStep, RunsEveryStepThatCanStillRun)
{
    const auto c = GetParam();
    rig.engine.failing.insert(c.step);
    rig.engine.tempo = 93.75;
    rig.state.PlayPosition = 55;

    load(smf(setTempo(0x0F, 0x42, 0x40)));

    EXPECT_EQ(rig.engine.operations(), without(firstLoadCalls(), c.skipped));
    EXPECT_TRUE(rig.state.EngineReady);
    EXPECT_EQ(rig.state.PlayPosition, 0);
    EXPECT_EQ(rig.state.TempoMicros, 1000000.0);
    const bool probed = std::string(c.step) != "GetTempo" && std::string(c.step) != "DirectMusicPerformanceCreate";
    EXPECT_EQ(rig.state.BeatsPerMinute, probed ? 93.75 : 60.0);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, LoadWithFailingStep,
    ::testing::Values(LoadFailure{"DirectMusicPerformanceCreate",
                                  {"InitAudio", "AddNotificationType", "Download", "SetMasterTempo", "SetMasterVolume",
                                   "GetMusicTime", "PlaySegmentEx", "GetTempo", "StopEx"}},
                      LoadFailure{"DirectMusicLoaderCreate",
                                  {"LoadSegment", "SetStandardMidiFile", "Download", "PlaySegmentEx", "StopEx"}},
                      LoadFailure{"InitAudio", {}}, LoadFailure{"LoadSegment", {"SetStandardMidiFile", "Download", "PlaySegmentEx", "StopEx"}},
                      LoadFailure{"SetStandardMidiFile", {}}, LoadFailure{"Download", {}},
                      LoadFailure{"SetMasterTempo", {}}, LoadFailure{"SetMasterVolume", {}},
                      LoadFailure{"GetMusicTime", {}}, LoadFailure{"PlaySegmentEx", {}}, LoadFailure{"GetTempo", {}},
                      LoadFailure{"StopEx", {}}));

// 60 quarter notes a minute for 8 quarters, 180 for 24, 90 for 12: 24 s, 44 quarters
// (division 480; deltas 3840 and 11520 ticks, end of track 5760 after the last change).
const Bytes kThreeTempos = smf(setTempo(0x0F, 0x42, 0x40) + Bytes{0x9E, 0x00, 0xFF, 0x51, 0x03, 0x05, 0x16, 0x15}
                               + Bytes{0xDA, 0x00, 0xFF, 0x51, 0x03, 0x0A, 0x2C, 0x2B} + Bytes{0xAD, 0x00, 0xFF, 0x01, 0x00});
// 600 quarter notes a minute for one tick, then 120.
const Bytes kOneTickTempo = smf(setTempo(0x01, 0x86, 0xA0) + Bytes{0x01, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});

struct ClockCase {
    Bytes file;
    double engineTempo; // what the probe reads: the first tempo
    MusicTime position;
    std::string shown;
};

class ClockOfALoadedSong : public InputLoaderTest, public ::testing::WithParamInterface<ClockCase> {};

TEST_P(ClockOfALoadedSong, CountsTheSecondsAlongTheTempoMap)
{
    const auto c = GetParam();
    rig.engine.tempo = c.engineTempo;
    load(c.file);
    rig.transport.PlayMidiFile();

    rig.engine.seek = c.position;
    rig.transport.Timer1_Timer();

    EXPECT_EQ(rig.view.caption(Label::LabTime), c.shown);
}

INSTANTIATE_TEST_SUITE_P(Songs, ClockOfALoadedSong,
                         ::testing::Values(ClockCase{kThreeTempos, 60, 8 * 768, "00:08"},
                                           ClockCase{kThreeTempos, 60, 20 * 768, "00:12"},
                                           ClockCase{kThreeTempos, 60, 44 * 768, "00:24"},
                                           ClockCase{kOneTickTempo, 600, 31 * 768, "00:15"}));

TEST_F(InputLoaderTest, FileTheSequencerRefusesHasTheClockOfItsFirstTempo)
{
    load(kThreeTempos);
    load(Bytes{0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40}, true);
    rig.transport.PlayMidiFile();

    rig.engine.seek = 20 * 768;
    rig.transport.Timer1_Timer();

    EXPECT_EQ(rig.view.caption(Label::LabTime), "00:20");
}

TEST_F(InputLoaderTest, FailedStartLeavesNoProbeState)
{
    rig.engine.failing.insert("PlaySegmentEx");

    load(smf(setTempo(0x07, 0xA1, 0x20)));

    EXPECT_EQ(rig.slots.SongState, nullptr);
}

TEST_F(InputLoaderTest, FailedMusicTimeProbesAtTimeZero)
{
    rig.engine.musicTime = 5000;
    rig.engine.failing.insert("GetMusicTime");

    load(smf(setTempo(0x07, 0xA1, 0x20)));

    EXPECT_EQ(rig.engine.callsOf("GetTempo"), Calls{"GetTempo(0)"});
}

TEST_F(InputLoaderTest, WithoutAnEngineEverythingIsSkippedAndPlayEndsAtTheFirstTick)
{
    rig.engine.failing.insert("CreateRoot");
    rig.state.DroppedFileName = song();

    load(smf(setTempo(0x0A, 0xAE, 0x60)));

    EXPECT_EQ(rig.engine.operations(), (Calls{"CreateRoot()", "<events>"}));
    EXPECT_EQ(rig.slots.DirectXRoot, nullptr);
    EXPECT_EQ(rig.slots.MusicPerformance, nullptr);
    EXPECT_EQ(rig.slots.MusicLoader, nullptr);
    EXPECT_EQ(rig.slots.SongSegment, nullptr);
    EXPECT_EQ(rig.slots.SongState, nullptr);
    EXPECT_TRUE(rig.state.EngineReady);
    EXPECT_EQ(rig.state.BeatsPerMinute, 85.0);

    rig.transport.PlayMidiFile();
    EXPECT_TRUE(rig.view.timerEnabled);
    rig.transport.Timer1_Timer();
    EXPECT_EQ(rig.view.caption(Label::LabTime), "00:00");
    EXPECT_FALSE(rig.view.timerEnabled);
    EXPECT_EQ(rig.view.faces[1], Face::Stop);
    EXPECT_TRUE(rig.view.messages.empty());
}

TEST_F(InputLoaderTest, EventsRunBetweenTheRebuildAndTheFileLoad)
{
    bool built = false;
    bool loaded = true;
    rig.view.onProcessEvents = [&] {
        built = rig.slots.MusicPerformance != nullptr && rig.slots.MusicLoader != nullptr;
        loaded = rig.slots.SongSegment != nullptr;
    };

    load(smf(setTempo(0x07, 0xA1, 0x20)));

    EXPECT_TRUE(built);
    EXPECT_FALSE(loaded);
}

} // namespace
} // namespace tonvex::test
