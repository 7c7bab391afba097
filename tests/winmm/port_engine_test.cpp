// The engine on a MIDI port, over a fake device whose clock runs straight to each due time.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_midi_device.h"
#include "midi_bytes.h"
#include "port_playback.h"
#include "port_root.h"
#include "smf_builder.h"

namespace tonvex::test {
namespace {

using Log = std::vector<std::string>;
using midi::kAllSoundOff;
using midi::kControlChange;

// Program 5 and a note; at tick 96 (0.5 s) the tempo doubles and an unterminated system
// exclusive comes; the note ends at tick 192 (0.75 s).
Bytes song()
{
    return smfFile({TrackBuilder().tempo(500000).program(0, 5).noteOn(0, 60, 100).at(96).tempo(250000)
                        .raw({0xF0, 0x02, 0x01, 0x02}).at(96).noteOff(0, 60).end().chunk()});
}

// The log `head`, then a controller to each channel in turn at one time, for each controller.
Log withEveryChannel(Log head, const std::string& time, std::initializer_list<int> controllers)
{
    for (int controller : controllers)
        for (int channel = 0; channel < 16; ++channel)
            head.push_back(time + ": " + std::to_string(176 + channel) + " " + std::to_string(controller) + " 0");
    return head;
}

class PortEngineTest : public ::testing::Test {
protected:
    void SetUp() override { openAudio(*performance); }
    static void openAudio(Performance& on)
    {
        on.InitAudio(kAudioFeaturesAll, AudioParams{}, kPathDynamicStereo, kPerformanceChannels);
    }
    // Starts the segment with its clock at 0 and only the play's messages in the log.
    std::unique_ptr<SegmentState> play()
    {
        device.set(&device.now, -PortPlayback::kStartLatencyMicros, true);
        return performance->PlaySegmentEx(*segment, 0, 0);
    }
    // Waits for the end's last message; the song no longer plays then.
    bool ends(SegmentState& state)
    {
        return device.waitFor([&] { return !device.log.empty() && device.log.back().ends_with(": 191 123 0"); })
            && !performance->IsPlaying(*segment, state);
    }

    FakeMidiDevice device;
    PortRoot root{device.opener(), device.timers()};
    std::unique_ptr<Performance> performance = root.DirectMusicPerformanceCreate();
    std::unique_ptr<Segment> segment = root.DirectMusicLoaderCreate()->LoadSegment(writeTempFile("song.mid", song()));
};

TEST_F(PortEngineTest, PlaysEachMessageWhenDueAlongTheTempoMapAndReleasesNotesAtTheEnd)
{
    performance->SetMasterVolume(kMasterVolume);
    EXPECT_EQ(device.entries(), (Log{"open", "0: 240 126 127 9 1 247", "volume 0.698232"}));
    segment->Download(*performance);
    EXPECT_DOUBLE_EQ(performance->GetTempo(768), 240.0);

    auto state = play();
    ASSERT_TRUE(ends(*state));
    EXPECT_EQ(device.entries(), withEveryChannel({"0: 192 5 0", "0: 144 60 100", "500000: 240 1 2 247",
                                                  "750000: 128 60 0"}, "750000", {123}));
    EXPECT_EQ(state->GetSeek(), segment->GetLength());
    EXPECT_EQ(performance->GetMusicTime(), 1536);

    // From the middle at double speed: the program chased, the rest at half the time.
    performance->StopEx(*segment, 0, 0);
    segment->SetStartPoint(768);
    performance->SetMasterTempo(2.0f);
    state = play();
    ASSERT_TRUE(ends(*state));
    EXPECT_EQ(device.entries(), withEveryChannel({"0: 192 5 0", "0: 240 1 2 247", "125000: 128 60 0"}, "125000", {123}));
}

TEST_F(PortEngineTest, StopSilencesEveryChannelAtOnceAndFreezesTheClock)
{
    device.set(&device.hold, -1);
    auto probe = play();
    performance->StopEx(*segment, 0, 0);
    EXPECT_EQ(device.entries().size(), 48u) << "a start stopped at once sends nothing but the silence";

    device.set(&device.hold, 600000);
    auto state = play();
    ASSERT_TRUE(device.waitFor([&] { return device.waiting; }));
    device.set(&device.now, 600000, true);
    EXPECT_TRUE(performance->IsPlaying(*segment, *state));
    EXPECT_EQ(state->GetSeek(), 134 * 8) << "0.5 s to tick 96, 0.1 s at 240 per minute";

    performance->StopEx(*segment, 0, 0);
    EXPECT_EQ(device.entries(), withEveryChannel({}, "600000", {120, 123, 121}));
    EXPECT_FALSE(performance->IsPlaying(*segment, *state));
    device.set(&device.hold, FakeMidiDevice::kNever);
    device.set(&device.now, 900000);
    EXPECT_EQ(state->GetSeek(), 134 * 8);
    performance->StopEx(*segment, 0, 0);
    EXPECT_EQ(device.entries().size(), 48u) << "nothing of the song after the stop, no second silence";

    performance->CloseDown();
    EXPECT_EQ(device.entries().back(), "reset");
    EXPECT_THROW(performance->PlaySegmentEx(*segment, 0, 0), EngineError);
    EXPECT_THROW(performance->IsPlaying(*segment, *state), EngineError);
    EXPECT_EQ(state->GetSeek(), 134 * 8) << "the state outlives its performance";
}

TEST_F(PortEngineTest, ChannelMessagesGoOutAndThePortServesOnePerformanceAfterAnother)
{
    device.set(&device.now, 0, true);
    performance->SendMIDIPMSG(0, kMessageAtOnce, 3, kControlChange, kAllSoundOff, 0);
    EXPECT_EQ(device.entries(), Log{"0: 179 120 0"});
    EXPECT_THROW(performance->SendMIDIPMSG(0, kMessageAtOnce, 16, kControlChange, kAllSoundOff, 0), EngineError);
    EXPECT_THROW(performance->SendMIDIPMSG(0, kMessageAtOnce, 0, 0xF0, 0, 0), EngineError);
    EXPECT_THROW(performance->SendMIDIPMSG(0, kMessageAtOnce, 0, kControlChange, 128, 0), EngineError);
    EXPECT_THROW(openAudio(*performance), EngineError) << "audio is open already";

    // The next performance gets the port once the last one has closed down; it stays open.
    auto next = root.DirectMusicPerformanceCreate();
    EXPECT_THROW(openAudio(*next), EngineError);
    performance->CloseDown();
    openAudio(*next);
    EXPECT_EQ(device.entries(), (Log{"0: 179 120 0", "reset", "0: 240 126 127 9 1 247"}));
    // One that failed is opened again, for a device plugged back in.
    device.gone = true;
    EXPECT_THROW(next->SendMIDIPMSG(0, kMessageAtOnce, 0, kControlChange, kAllSoundOff, 0), EngineError);
    device.gone = false;
    next->CloseDown();
    auto third = root.DirectMusicPerformanceCreate();
    openAudio(*third);
    EXPECT_EQ(device.entries().size(), 8u);
    EXPECT_EQ(device.entries().back(), "0: 240 126 127 9 1 247");
    EXPECT_EQ(device.entries()[5], "close");

    // Without a device every step that would sound fails.
    device.noDevice = true;
    auto lone = PortRoot(device.opener(), device.timers()).DirectMusicPerformanceCreate();
    EXPECT_THROW(openAudio(*lone), EngineError);
    EXPECT_THROW(lone->PlaySegmentEx(*segment, 0, 0), EngineError);
    EXPECT_THROW(lone->SendMIDIPMSG(0, kMessageAtOnce, 0, kControlChange, kAllSoundOff, 0), EngineError);
    EXPECT_NO_THROW(lone->StopEx(*segment, 0, 0));
    EXPECT_EQ(device.entries().size(), 8u);
}

} // namespace
} // namespace tonvex::test
