// The engine on a MIDI port, over a fake device whose clock runs straight to each due time.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_midi_device.h"
#include "port_playback.h"
#include "port_root.h"
#include "smf_builder.h"

namespace tonvex::test {
namespace {

using Log = std::vector<std::string>;

// Program 5 and a note; at tick 96 (0.5 s) the tempo doubles and an unterminated system
// exclusive comes; the note ends at tick 192 (0.75 s).
Bytes song()
{
    return smfFile({TrackBuilder().tempo(500000).program(0, 5).noteOn(0, 60, 100).at(96).tempo(250000)
                        .raw({0xF0, 0x02, 0x01, 0x02}).at(96).noteOff(0, 60).end().chunk()});
}

// Each channel's controller, at one time.
Log toEveryChannel(const std::string& time, int controller)
{
    Log out;
    for (int channel = 0; channel < 16; ++channel)
        out.push_back(time + ": " + std::to_string(176 + channel) + " " + std::to_string(controller) + " 0");
    return out;
}

Log concat(Log a, const Log& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class PortEngineTest : public ::testing::Test {
protected:
    void openAudio()
    {
        performance->InitAudio(kAudioFeaturesAll, AudioParams{}, kPathDynamicStereo, kPerformanceChannels);
    }
    std::unique_ptr<Segment> load() { return loader->LoadSegment(writeTempFile("song.mid", song())); }
    // Starts the segment with its clock at 0 and only the play's messages in the log.
    std::unique_ptr<SegmentState> play(Segment& segment)
    {
        {
            std::lock_guard lock(device.mutex);
            device.now = -PortPlayback::kStartLatencyMicros;
            device.log.clear();
        }
        return performance->PlaySegmentEx(segment, 0, 0);
    }
    bool ends(Segment& segment, SegmentState& state)
    {
        return device.waitFor([&] { return !device.log.empty() && device.log.back().find(" 191 123 0") != std::string::npos; })
            && !performance->IsPlaying(segment, state);
    }

    FakeMidiDevice device;
    PortRoot root{device.opener(), device.timers()};
    std::unique_ptr<Performance> performance = root.DirectMusicPerformanceCreate();
    std::unique_ptr<Loader> loader = root.DirectMusicLoaderCreate();
};

TEST_F(PortEngineTest, PlaysEachMessageWhenDueAlongTheTempoMapAndReleasesNotesAtTheEnd)
{
    openAudio();
    performance->SetMasterVolume(kMasterVolume);
    EXPECT_EQ(device.entries(), (Log{"open", "0: 240 126 127 9 1 247", "volume 0.698232"}));
    auto segment = load();
    segment->Download(*performance);
    EXPECT_DOUBLE_EQ(performance->GetTempo(768), 240.0);

    auto state = play(*segment);
    ASSERT_TRUE(ends(*segment, *state));
    EXPECT_EQ(device.entries(), concat({"0: 192 5 0", "0: 144 60 100", "500000: 240 1 2 247", "750000: 128 60 0"},
                                       toEveryChannel("750000", 123)));
    EXPECT_EQ(state->GetSeek(), segment->GetLength());
    EXPECT_EQ(performance->GetMusicTime(), 1536);

    // From the middle at double speed: the program chased, the rest at half the time.
    segment->SetStartPoint(768);
    performance->SetMasterTempo(2.0f);
    state = play(*segment);
    ASSERT_TRUE(ends(*segment, *state));
    EXPECT_EQ(device.entries(), concat({"0: 192 5 0", "0: 240 1 2 247", "125000: 128 60 0"}, toEveryChannel("125000", 123)));
}

TEST_F(PortEngineTest, StopSilencesEveryChannelAtOnceAndFreezesTheClock)
{
    openAudio();
    auto segment = load();
    device.release(-1);
    auto probe = play(*segment);
    performance->StopEx(*segment, 0, 0);
    EXPECT_EQ(device.entries().size(), 48u) << "a start stopped at once sends nothing but the silence";

    device.release(600000);
    auto state = play(*segment);
    ASSERT_TRUE(device.waitFor([&] { return device.waiting; }));
    {
        std::lock_guard lock(device.mutex);
        device.now = 600000;
        device.log.clear();
    }
    EXPECT_TRUE(performance->IsPlaying(*segment, *state));
    EXPECT_EQ(state->GetSeek(), 134 * 8) << "0.5 s to tick 96, 0.1 s at 240 per minute";

    performance->StopEx(*segment, 0, 0);
    EXPECT_EQ(device.entries(), concat(concat(toEveryChannel("600000", 120), toEveryChannel("600000", 123)),
                                       toEveryChannel("600000", 121)));
    EXPECT_FALSE(performance->IsPlaying(*segment, *state));
    device.release();
    {
        std::lock_guard lock(device.mutex);
        device.now = 900000;
    }
    EXPECT_EQ(state->GetSeek(), 134 * 8);
    EXPECT_EQ(device.entries().size(), 48u) << "nothing of the song after the stop";

    performance->CloseDown();
    EXPECT_EQ(device.entries().back(), "close");
    EXPECT_THROW(performance->PlaySegmentEx(*segment, 0, 0), EngineError);
    EXPECT_THROW(performance->IsPlaying(*segment, *state), EngineError);
    EXPECT_EQ(state->GetSeek(), 134 * 8) << "the state outlives its performance";
}

TEST_F(PortEngineTest, ChannelMessagesGoOutAndWithoutADeviceEveryStepThatSoundsFails)
{
    openAudio();
    device.log.clear();
    performance->SendMIDIPMSG(0, kMessageAtOnce, 3, kControlChange, kAllSoundOff, 0);
    EXPECT_EQ(device.entries(), Log{"0: 179 120 0"});
    EXPECT_THROW(performance->SendMIDIPMSG(0, kMessageAtOnce, 16, kControlChange, kAllSoundOff, 0), EngineError);
    EXPECT_THROW(performance->SendMIDIPMSG(0, kMessageAtOnce, 0, 0xF0, 0, 0), EngineError);
    EXPECT_THROW(performance->SendMIDIPMSG(0, kMessageAtOnce, 0, kControlChange, 128, 0), EngineError);
    EXPECT_THROW(openAudio(), EngineError) << "audio is open already";

    device.noDevice = true;
    auto lone = root.DirectMusicPerformanceCreate();
    EXPECT_THROW(lone->InitAudio(kAudioFeaturesAll, AudioParams{}, kPathDynamicStereo, kPerformanceChannels),
                 EngineError);
    auto segment = load();
    EXPECT_THROW(lone->PlaySegmentEx(*segment, 0, 0), EngineError);
    EXPECT_THROW(lone->SendMIDIPMSG(0, kMessageAtOnce, 0, kControlChange, kAllSoundOff, 0), EngineError);
    EXPECT_NO_THROW(lone->StopEx(*segment, 0, 0));
    EXPECT_EQ(device.entries(), Log{"0: 179 120 0"});
}

} // namespace
} // namespace tonvex::test
