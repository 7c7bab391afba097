#include <algorithm>
#include <array>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "rig.h"

namespace tonvex::test {
namespace {

using Calls = std::vector<std::string>;

const std::string kSong = "/music/song.mid";
// Music time of one second at 120 quarter notes per minute.
constexpr MusicTime kSecondAt120 = 1536;

TEST(FormatElapsed, PadsToTwoDigitsAndNeverTruncatesMinutes)
{
    EXPECT_EQ(formatElapsed(0), "00:00");
    EXPECT_EQ(formatElapsed(9), "00:09");
    EXPECT_EQ(formatElapsed(59), "00:59");
    EXPECT_EQ(formatElapsed(60), "01:00");
    EXPECT_EQ(formatElapsed(3599), "59:59");
    EXPECT_EQ(formatElapsed(5999), "99:59");
    EXPECT_EQ(formatElapsed(6000), "100:00");
    EXPECT_EQ(formatElapsed(600061), "10001:01");
    EXPECT_EQ(formatElapsed(-1), "00:00");
}

class TransportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        rig.loadSong(kSong);
        rig.state.BeatsPerMinute = 120.0;
        rig.forget();
    }

    // One tick at the given engine position and playing answer.
    void tickAt(MusicTime position, bool playing)
    {
        rig.engine.seek = position;
        rig.engine.playing = playing;
        rig.transport.Timer1_Timer();
    }
    std::string shown() const { return rig.view.caption(Label::LabTime); }

    Rig rig;
};

TEST_F(TransportTest, PlayReadsLengthSetsStartAndStartsAtOnceThenEnablesTimer)
{
    rig.transport.PlayMidiFile();

    EXPECT_EQ(rig.engine.operations(), (Calls{"GetLength(" + kSong + ")", "SetStartPoint(" + kSong + ",0)",
                                              "PlaySegmentEx(" + kSong + ",0,0)"}));
    EXPECT_TRUE(rig.view.timerEnabled);
    EXPECT_NE(rig.slots.SongState, nullptr);
    EXPECT_EQ(rig.view.caption(Label::LabTime), "") << "the first tick writes the time";
}

TEST_F(TransportTest, PlayAgainReplacesTheStateAndReleasesTheOldOne)
{
    rig.transport.PlayMidiFile();
    rig.transport.PlayMidiFile();

    EXPECT_EQ(rig.engine.liveStates, 1);
    EXPECT_EQ(std::count(rig.engine.calls.begin(), rig.engine.calls.end(), "~SegmentState"), 1);
}

struct StartCase {
    MusicTime position;
    MusicTime length;
    bool lengthFails;
    MusicTime start;
};

class PlayStartPoint : public TransportTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(PlayStartPoint, StartsBelowTheLengthAndNeverBelowZero)
{
    const auto c = GetParam();
    rig.state.PlayPosition = c.position;
    rig.engine.length = c.length;
    if (c.lengthFails)
        rig.engine.failing.insert("GetLength");

    rig.transport.PlayMidiFile();

    EXPECT_EQ(rig.state.PlayPosition, c.start);
    EXPECT_EQ(rig.engine.callsOf("SetStartPoint"), Calls{"SetStartPoint(" + kSong + "," + std::to_string(c.start) + ")"});
    EXPECT_EQ(rig.engine.callsOf("PlaySegmentEx").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Positions, PlayStartPoint,
                         ::testing::Values(StartCase{0, 1000, false, 0},    // the usual start
                                           StartCase{999, 1000, false, 999},
                                           StartCase{1000, 1000, false, 990}, // at the end
                                           StartCase{1500, 1000, false, 1490},
                                           StartCase{0, 0, false, 0},       // empty song
                                           StartCase{5, 3, false, 0},       // backs off below zero
                                           StartCase{-50, 1000, false, 0},  // never before the song
                                           StartCase{100, 0, true, 90},     // unknown length: at the end
                                           StartCase{0, 0, true, 0},
                                           StartCase{std::numeric_limits<MusicTime>::min(), 0, true, 0}));

class PlayWithFailingStep : public TransportTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(PlayWithFailingStep, RunsEveryOtherStepAndStillEnablesTimer)
{
    rig.engine.failing.insert(GetParam());

    rig.transport.PlayMidiFile();

    EXPECT_EQ(rig.engine.operations(), (Calls{"GetLength(" + kSong + ")", "SetStartPoint(" + kSong + ",0)",
                                              "PlaySegmentEx(" + kSong + ",0,0)"}));
    EXPECT_TRUE(rig.view.timerEnabled);
}

INSTANTIATE_TEST_SUITE_P(Steps, PlayWithFailingStep, ::testing::Values("GetLength", "SetStartPoint", "PlaySegmentEx"));

TEST_F(TransportTest, FailedStartKeepsThePreviousState)
{
    rig.transport.PlayMidiFile();
    const SegmentState* first = rig.slots.SongState.get();
    rig.engine.failing.insert("PlaySegmentEx");

    rig.transport.PlayMidiFile();

    EXPECT_EQ(rig.slots.SongState.get(), first);
}

TEST_F(TransportTest, StopCutsEveryChannelThenStopsAndRewinds)
{
    rig.transport.PlayMidiFile();
    rig.transport.Timer1_Timer();
    const std::string shownBefore = shown();
    rig.view.setFace(0, Face::Play);
    rig.state.PlayPosition = 700;
    rig.forget();

    rig.transport.StopMidiFile();

    EXPECT_EQ(rig.engine.operations(), stopCalls(kSong));
    EXPECT_EQ(rig.view.log, Calls{"timer(off)"}) << "the timer goes off first and nothing else changes";
    EXPECT_FALSE(rig.view.timerEnabled);
    EXPECT_EQ(rig.state.PlayPosition, 0);
    EXPECT_NE(rig.slots.SongState, nullptr);
    EXPECT_EQ(shown(), shownBefore);
    EXPECT_EQ(rig.view.faces[0], Face::Play);
}

class StopWithFailingStep : public TransportTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(StopWithFailingStep, RunsEveryOtherStepAndRewindsThePosition)
{
    rig.engine.failing.insert(GetParam());
    rig.view.setTimerEnabled(true);
    rig.state.PlayPosition = 700;

    rig.transport.StopMidiFile();

    EXPECT_EQ(rig.engine.operations(), stopCalls(kSong));
    EXPECT_FALSE(rig.view.timerEnabled);
    EXPECT_EQ(rig.state.PlayPosition, 0);
}

INSTANTIATE_TEST_SUITE_P(Steps, StopWithFailingStep, ::testing::Values("SendMIDIPMSG", "StopEx", "SetStartPoint"));

TEST(TransportBeforeAnyLoad, PlayAndStopDoNothing)
{
    Rig rig;
    rig.lifecycle.Initialize();
    rig.slots.SongSegment = rig.slots.MusicLoader->LoadSegment(kSong);
    rig.state.PlayPosition = 300;
    rig.view.setTimerEnabled(true);
    rig.forget();

    rig.transport.StopMidiFile();
    EXPECT_TRUE(rig.view.timerEnabled);
    rig.view.setTimerEnabled(false);
    rig.forget();
    rig.transport.PlayMidiFile();

    EXPECT_TRUE(rig.engine.calls.empty());
    EXPECT_TRUE(rig.view.log.empty());
    EXPECT_EQ(rig.state.PlayPosition, 300);
}

struct ShownCase {
    MusicTime position;
    double beatsPerMinute;
    std::string shown;
};

class TickDisplay : public TransportTest, public ::testing::WithParamInterface<ShownCase> {};

TEST_P(TickDisplay, ShowsWholeElapsedSecondsAtTheLoadedTempo)
{
    const auto c = GetParam();
    rig.transport.PlayMidiFile();
    rig.state.BeatsPerMinute = c.beatsPerMinute;

    tickAt(c.position, true);

    EXPECT_EQ(shown(), c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, TickDisplay,
    ::testing::Values(ShownCase{0, 120.0, "00:00"}, ShownCase{kSecondAt120 - 1, 120.0, "00:00"},
                      ShownCase{kSecondAt120, 120.0, "00:01"}, ShownCase{59 * kSecondAt120, 120.0, "00:59"},
                      ShownCase{60 * kSecondAt120 - 1, 120.0, "00:59"}, ShownCase{60 * kSecondAt120, 120.0, "01:00"},
                      ShownCase{6000 * kSecondAt120, 120.0, "100:00"},
                      // 93.75 quarter notes per minute: one second is 1200 ticks.
                      ShownCase{1199, 93.75, "00:00"}, ShownCase{1200, 93.75, "00:01"},
                      ShownCase{768, 60.0, "00:01"}, ShownCase{767, 60.0, "00:00"},
                      // No tempo, or none that gives a number of seconds.
                      ShownCase{99999, 0.0, "00:00"},
                      ShownCase{99999, std::numeric_limits<double>::infinity(), "00:00"},
                      ShownCase{99999, std::numeric_limits<double>::quiet_NaN(), "00:00"},
                      ShownCase{99999, -120.0, "00:00"},
                      ShownCase{std::numeric_limits<MusicTime>::max(), 1e-300, "00:00"},
                      ShownCase{std::numeric_limits<MusicTime>::max(), 0.001, "2796202665:21"}));

TEST_F(TransportTest, TickRecomputesFromTheEngineEveryTime)
{
    rig.transport.PlayMidiFile();
    tickAt(59 * kSecondAt120, true);
    EXPECT_EQ(shown(), "00:59");
    tickAt(60 * kSecondAt120, true);
    EXPECT_EQ(shown(), "01:00");
    tickAt(2 * kSecondAt120, true);
    EXPECT_EQ(shown(), "00:02");
    EXPECT_EQ(rig.engine.callsOf("GetSeek").size(), 3u);
    EXPECT_EQ(rig.engine.callsOf("IsPlaying"), (Calls(3, "IsPlaying(" + kSong + ")")));
}

TEST_F(TransportTest, FailedSeekShowsZero)
{
    rig.transport.PlayMidiFile();
    tickAt(30 * kSecondAt120, true);
    rig.engine.failing.insert("GetSeek");

    tickAt(30 * kSecondAt120, true);

    EXPECT_EQ(shown(), "00:00");
    EXPECT_TRUE(rig.view.timerEnabled);
    EXPECT_TRUE(rig.engine.callsOf("StopEx").empty());
}

TEST_F(TransportTest, WithoutTempoTheClockShowsZeroAndTheEndIsStillNoticed)
{
    rig.transport.PlayMidiFile();
    rig.state.BeatsPerMinute = 0.0;

    tickAt(std::numeric_limits<MusicTime>::max(), true);
    EXPECT_EQ(shown(), "00:00");
    EXPECT_TRUE(rig.view.timerEnabled);
    EXPECT_TRUE(rig.engine.callsOf("SendMIDIPMSG").empty());

    tickAt(std::numeric_limits<MusicTime>::max(), false);
    EXPECT_FALSE(rig.view.timerEnabled);
}

struct EndCase {
    int seconds;
    bool playing;
    bool isPlayingFails;
    bool ends;
};

class TickEnd : public TransportTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(TickEnd, EndsOnceTheEngineFallsSilentWhateverTheTime)
{
    const auto c = GetParam();
    rig.state.DroppedFileName = kSong;
    for (int button = 0; button < 4; ++button)
        rig.view.setFace(button, Face::Play);
    rig.transport.PlayMidiFile();
    if (c.isPlayingFails)
        rig.engine.failing.insert("IsPlaying");
    rig.forget();

    tickAt(c.seconds * kSecondAt120, c.playing);

    EXPECT_EQ(shown(), formatElapsed(c.seconds));
    EXPECT_EQ(rig.view.timerEnabled, !c.ends);
    if (c.ends) {
        EXPECT_EQ(rig.view.faces[1], Face::Stop);
        EXPECT_EQ(rig.engine.operations(), concat({{"GetSeek()", "IsPlaying(" + kSong + ")"}, stopCalls(kSong)}));
    } else {
        EXPECT_EQ(rig.view.faces, (std::array<Face, kButtonCount>{Face::Play, Face::Play, Face::Play, Face::Play}));
        EXPECT_EQ(rig.engine.operations(), (Calls{"GetSeek()", "IsPlaying(" + kSong + ")"}));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, TickEnd,
                         ::testing::Values(EndCase{0, false, false, true}, EndCase{8, false, false, true},
                                           EndCase{10, false, false, true}, EndCase{10, true, false, false},
                                           EndCase{11, false, false, true}, EndCase{11, true, false, false},
                                           EndCase{600, true, false, false}, EndCase{600, false, false, true},
                                           // An engine that cannot say counts as silent, whatever the time.
                                           EndCase{0, true, true, true}, EndCase{11, true, true, true}));

struct FaceCase {
    std::string dropped;
    std::string output;
    Face stopIn;
    Face stopOut;
};

class EndFaces : public TransportTest, public ::testing::WithParamInterface<FaceCase> {};

TEST_P(EndFaces, ClearTheTransportThenLightTheStopOfThePlayedFile)
{
    const auto c = GetParam();
    rig.state.DroppedFileName = c.dropped;
    rig.state.OutFileName = c.output;
    rig.view.setFace(4, Face::Select);
    rig.transport.PlayMidiFile();
    rig.view.log.clear();

    tickAt(11 * kSecondAt120, false);

    Calls expected{"setCaption(LabTime,00:11)", "setFace(0,none)", "setFace(1,none)", "setFace(2,none)",
                   "setFace(3,none)"};
    if (c.stopIn == Face::Stop)
        expected.push_back("setFace(1,STOP)");
    if (c.stopOut == Face::Stop)
        expected.push_back("setFace(3,STOP)");
    expected.push_back("timer(off)");
    EXPECT_EQ(rig.view.log, expected);
    EXPECT_EQ(rig.view.faces[4], Face::Select) << "only the transport buttons change";
}

INSTANTIATE_TEST_SUITE_P(Paths, EndFaces,
                         ::testing::Values(FaceCase{kSong, "/music/other.mid", Face::Stop, Face::None},
                                           FaceCase{"/music/in.mid", kSong, Face::None, Face::Stop},
                                           FaceCase{kSong, kSong, Face::Stop, Face::Stop},
                                           FaceCase{"/MUSIC/SONG.MID", "/music/Song.mid", Face::None, Face::None},
                                           FaceCase{"", "", Face::None, Face::None}));

TEST(TransportWithoutEngine, PlayStillRunsTheTimerAndTheFirstTickStopsIt)
{
    Rig rig;
    rig.engine.failing.insert("CreateRoot");
    rig.lifecycle.Initialize();
    rig.state.EngineReady = true;
    rig.state.BeatsPerMinute = 120.0;
    rig.state.InFileName = kSong;
    rig.state.DroppedFileName = kSong;
    rig.view.setFace(0, Face::Play);

    rig.transport.PlayMidiFile();
    EXPECT_TRUE(rig.view.timerEnabled);
    rig.transport.Timer1_Timer();

    EXPECT_EQ(rig.view.caption(Label::LabTime), "00:00");
    EXPECT_FALSE(rig.view.timerEnabled);
    EXPECT_EQ(rig.view.faces[0], Face::None);
    EXPECT_EQ(rig.view.faces[1], Face::Stop);
    EXPECT_EQ(rig.engine.operations(), Calls{"CreateRoot()"});
}

} // namespace
} // namespace tonvex::test
