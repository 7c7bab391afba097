#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "rig.h"

namespace tonvex::test {
namespace {

using Calls = std::vector<std::string>;

const std::string kSong = "/music/song.mid";

TEST(Initialize, BuildsRootPerformanceAndLoaderThenOpensAudio)
{
    Rig rig;

    rig.lifecycle.Initialize();

    EXPECT_EQ(rig.engine.operations(), initializeCalls());
    EXPECT_NE(rig.slots.DirectXRoot, nullptr);
    EXPECT_NE(rig.slots.MusicPerformance, nullptr);
    EXPECT_NE(rig.slots.MusicLoader, nullptr);
    EXPECT_EQ(rig.slots.SongSegment, nullptr);
    EXPECT_FALSE(rig.state.EngineReady);
    EXPECT_TRUE(rig.view.log.empty());
}

TEST(Initialize, KeepsTheRootAndReplacesTheLoader)
{
    Rig rig;
    rig.lifecycle.Initialize();
    const MusicRoot* root = rig.slots.DirectXRoot.get();
    rig.lifecycle.CloseDevice();
    rig.forget();

    rig.lifecycle.Initialize();

    EXPECT_EQ(rig.slots.DirectXRoot.get(), root);
    EXPECT_EQ(rig.engine.operations(true),
              concat({{"DirectMusicPerformanceCreate()", "DirectMusicLoaderCreate()", "~Loader"},
                      without(initializeCalls(), {"CreateRoot", "DirectMusicPerformanceCreate", "DirectMusicLoaderCreate"})}));
}

struct InitFailure {
    const char* step;
    std::vector<std::string> skipped; // steps that cannot run without the failed one
    bool performance;
    bool loader;
};

class InitializeWithFailingStep : public ::testing::TestWithParam<InitFailure> {};

TEST_P(InitializeWithFailingStep, RunsEveryStepThatCanStillRun)
{
    const auto c = GetParam();
    Rig rig;
    rig.engine.failing.insert(c.step);

    rig.lifecycle.Initialize();

    EXPECT_EQ(rig.engine.operations(), without(initializeCalls(), c.skipped));
    EXPECT_EQ(rig.slots.MusicPerformance != nullptr, c.performance);
    EXPECT_EQ(rig.slots.MusicLoader != nullptr, c.loader);
    EXPECT_TRUE(rig.view.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, InitializeWithFailingStep,
    ::testing::Values(
        InitFailure{"CreateRoot",
                    {"DirectMusicPerformanceCreate", "DirectMusicLoaderCreate", "InitAudio", "AddNotificationType"},
                    false, false},
        InitFailure{"DirectMusicPerformanceCreate", {"InitAudio", "AddNotificationType"}, false, true},
        InitFailure{"DirectMusicLoaderCreate", {}, true, false}, InitFailure{"InitAudio", {}, true, true},
        InitFailure{"AddNotificationType", {}, true, true}));

TEST(Initialize, TriesTheRootAgainAfterItCouldNotBeMade)
{
    Rig rig;
    rig.engine.failing.insert("CreateRoot");
    rig.lifecycle.Initialize();
    rig.engine.failing.clear();
    rig.forget();

    rig.lifecycle.Initialize();

    EXPECT_EQ(rig.engine.operations(), initializeCalls());
}

TEST(Initialize, RootFactoryThatGivesNothingCountsAsFailed)
{
    FakeView view;
    Playback nothing{view, [] { return std::unique_ptr<MusicRoot>(); }};
    Playback noFactory{view, RootFactory()};

    nothing.lifecycle().Initialize();
    noFactory.lifecycle().Initialize();

    for (Playback* playback : {&nothing, &noFactory}) {
        EXPECT_EQ(playback->engine().DirectXRoot, nullptr);
        EXPECT_EQ(playback->engine().MusicPerformance, nullptr);
        EXPECT_EQ(playback->engine().MusicLoader, nullptr);
    }
}

class CloseDeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        rig.loadSong(kSong);
        rig.transport.PlayMidiFile();
        rig.forget();
    }
    Rig rig;
};

TEST_F(CloseDeviceTest, StopsShutsDownLetsEventsRunThenReleasesInOrder)
{
    rig.lifecycle.CloseDevice();

    EXPECT_EQ(rig.engine.operations(true),
              concat({stopCalls(kSong),
                      {"StopEx(" + kSong + ",0,0)", "CloseDown()", "<events>", "~Performance", "~Segment(" + kSong + ")",
                       "~SegmentState"}}));
    EXPECT_EQ(rig.view.processEventsCount, 1);
    EXPECT_FALSE(rig.view.timerEnabled);
    EXPECT_EQ(rig.slots.MusicPerformance, nullptr);
    EXPECT_EQ(rig.slots.SongSegment, nullptr);
    EXPECT_EQ(rig.slots.SongState, nullptr);
    EXPECT_NE(rig.slots.MusicLoader, nullptr);
    EXPECT_NE(rig.slots.DirectXRoot, nullptr);
    EXPECT_TRUE(rig.state.EngineReady);
    EXPECT_EQ(rig.engine.openPerformances, 0);
}

TEST_F(CloseDeviceTest, EventsRunWhileTheObjectsAreStillHeld)
{
    bool held = false;
    rig.view.onProcessEvents = [&] {
        held = rig.slots.MusicPerformance && rig.slots.SongSegment && rig.slots.SongState;
    };

    rig.lifecycle.CloseDevice();

    EXPECT_TRUE(held);
}

class CloseDeviceWithFailingStep : public CloseDeviceTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(CloseDeviceWithFailingStep, RunsEveryOtherStepAndEmptiesTheObjects)
{
    rig.engine.failing.insert(GetParam());

    rig.lifecycle.CloseDevice();

    EXPECT_EQ(rig.engine.operations(),
              concat({stopCalls(kSong), {"StopEx(" + kSong + ",0,0)", "CloseDown()", "<events>"}}));
    EXPECT_EQ(rig.slots.MusicPerformance, nullptr);
    EXPECT_EQ(rig.slots.SongSegment, nullptr);
    EXPECT_EQ(rig.slots.SongState, nullptr);
    EXPECT_EQ(rig.engine.livePerformances, 0);
}

INSTANTIATE_TEST_SUITE_P(Steps, CloseDeviceWithFailingStep,
                         ::testing::Values("SendMIDIPMSG", "StopEx", "SetStartPoint", "CloseDown"));

TEST_F(CloseDeviceTest, SecondCallFindsNothingToStopAndStaysQuiet)
{
    rig.lifecycle.CloseDevice();
    rig.forget();

    rig.lifecycle.CloseDevice();

    EXPECT_EQ(rig.engine.operations(true), Calls{"<events>"});
    EXPECT_EQ(rig.view.log, (Calls{"timer(off)", "processEvents"}));
    EXPECT_TRUE(rig.view.messages.empty());
}

TEST(CloseDeviceBeforeAnyLoad, OnlyEmptiesTheObjects)
{
    Rig rig;
    rig.lifecycle.Initialize();
    rig.slots.SongSegment = rig.slots.MusicLoader->LoadSegment(kSong);
    rig.forget();

    rig.lifecycle.CloseDevice();

    EXPECT_EQ(rig.engine.operations(true), (Calls{"~Performance", "~Segment(" + kSong + ")"}));
    EXPECT_TRUE(rig.view.log.empty()) << "no stop, no timer change, no events";
    EXPECT_EQ(rig.slots.MusicPerformance, nullptr);
    EXPECT_EQ(rig.slots.SongSegment, nullptr);
}

TEST(CloseDeviceBeforeAnyLoad, OnAnEmptyEngineDoesNothing)
{
    Rig rig;

    rig.lifecycle.CloseDevice();
    rig.lifecycle.CloseDevice();

    EXPECT_TRUE(rig.engine.calls.empty());
    EXPECT_TRUE(rig.view.log.empty());
}

} // namespace
} // namespace tonvex::test
