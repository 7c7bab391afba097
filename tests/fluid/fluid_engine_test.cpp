// The engine's objects on the real synthesizer, without audio output.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <future>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "fluid_log.h"
#include "fluid_preparation.h"
#include "fluid_root.h"
#include "fluid_root_test.h"
#include "midi_bytes.h"
#include "smf_builder.h"

namespace tonvex::test {
namespace {

using midi::kAllSoundOff;
using midi::kControlChange;

Bytes song(std::uint32_t tempo, std::uint32_t ticks)
{
    return smfFile({TrackBuilder().tempo(tempo).noteOn(0, 60, 100).at(ticks).noteOff(0, 60).end().chunk()});
}

class FluidEngineTest : public FluidRootTest {
protected:
    void SetUp() override
    {
        FluidRootTest::SetUp();
        if (IsSkipped())
            return;
        m_performance = s_root->DirectMusicPerformanceCreate();
        m_loader = s_root->DirectMusicLoaderCreate();
    }

    std::unique_ptr<Segment> load(const std::string& name, const Bytes& bytes)
    {
        return m_loader->LoadSegment(writeTempFile(name, bytes));
    }

    fluid_synth_t* synth() const { return core().synth(); }
    float songGain() const { return core().songGain(); }

    std::unique_ptr<Performance> m_performance;
    std::unique_ptr<Loader> m_loader;
};

// A segment that belongs to some other engine.
class ForeignSegment : public Segment {
public:
    void SetStandardMidiFile() override {}
    void Download(Performance&) override {}
    MusicTime GetLength() override { return 768; }
    void SetStartPoint(MusicTime) override {}
};

TEST_F(FluidEngineTest, LoaderReadsSongsAndRefusesWhatThePlayerCannotPlay)
{
    auto segment = load("song.mid", song(500000, 192));
    EXPECT_EQ(segment->GetLength(), 1536);
    EXPECT_NO_THROW(segment->SetStandardMidiFile());

    EXPECT_THROW(m_loader->LoadSegment("/nonexistent/song.mid"), EngineError);
    EXPECT_THROW(m_loader->LoadSegment(std::filesystem::temp_directory_path().string()), EngineError);
    EXPECT_THROW(load("text.mid", Bytes{'h', 'e', 'l', 'l', 'o'}), EngineError);
    EXPECT_THROW(load("empty.mid", Bytes{}), EngineError);
    // 25 frames of 40 ticks a second: a quarter note, 768 in music time, is a second.
    const Bytes smpte = smfFile({TrackBuilder().noteOn(0, 60, 100).at(1500).noteOff(0, 60).end().chunk()}, 0xE728);
    EXPECT_EQ(load("smpte.mid", smpte)->GetLength(), 1152);
}

TEST_F(FluidEngineTest, StartPointStaysInsideTheSong)
{
    auto segment = load("song.mid", song(500000, 96));
    EXPECT_THROW(segment->SetStartPoint(-1), EngineError);
    EXPECT_THROW(segment->SetStartPoint(768), EngineError);
    EXPECT_NO_THROW(segment->SetStartPoint(767));
    EXPECT_NO_THROW(segment->SetStartPoint(0));

    auto empty = load("empty-song.mid", smfFile({TrackBuilder().end().chunk()}));
    EXPECT_EQ(empty->GetLength(), 0);
    EXPECT_NO_THROW(empty->SetStartPoint(0));
    EXPECT_THROW(empty->SetStartPoint(1), EngineError);
}

TEST_F(FluidEngineTest, TempoIsTheDownloadedSongsOrTheFileDefault)
{
    EXPECT_DOUBLE_EQ(m_performance->GetTempo(0), 120.0);
    auto segment = load("slow.mid", song(640000, 96));
    segment->Download(*m_performance);
    EXPECT_DOUBLE_EQ(m_performance->GetTempo(0), 93.75);
    EXPECT_EQ(m_performance->GetMusicTime(), 0);
}

TEST_F(FluidEngineTest, MasterVolumeIsHundredthsOfADecibelFromTheDefaultGain)
{
    m_performance->SetMasterVolume(kMasterVolume);
    EXPECT_NEAR(fluid_synth_get_gain(synth()), songGain() * std::pow(10.0, -3.12 / 20.0), 1e-5);
    m_performance->SetMasterVolume(-2000);
    EXPECT_NEAR(fluid_synth_get_gain(synth()), songGain() * 0.1, 1e-5);
    m_performance->SetMasterVolume(0);
    EXPECT_FLOAT_EQ(fluid_synth_get_gain(synth()), songGain());
    EXPECT_THROW(m_performance->SetMasterVolume(-10001), EngineError);
    EXPECT_THROW(m_performance->SetMasterVolume(2001), EngineError);
}

TEST_F(FluidEngineTest, MasterTempoMustBeAUsableFactor)
{
    EXPECT_NO_THROW(m_performance->SetMasterTempo(1.0f));
    EXPECT_THROW(m_performance->SetMasterTempo(0.0f), EngineError);
    EXPECT_THROW(m_performance->SetMasterTempo(-1.0f), EngineError);
    EXPECT_THROW(m_performance->SetMasterTempo(std::numeric_limits<float>::quiet_NaN()), EngineError);
    EXPECT_THROW(m_performance->SetMasterTempo(1000.0f), EngineError);
}

TEST_F(FluidEngineTest, ChannelMessagesReachTheSynthesizer)
{
    for (int channel = 0; channel < 16; ++channel)
        EXPECT_NO_THROW(m_performance->SendMIDIPMSG(0, kMessageAtOnce, channel, kControlChange,
                                                    kAllSoundOff, 0));
    m_performance->SendMIDIPMSG(0, kMessageAtOnce, 3, kControlChange, 7, 42);
    int value = -1;
    fluid_synth_get_cc(synth(), 3, 7, &value);
    EXPECT_EQ(value, 42);
    m_performance->SendMIDIPMSG(0, kMessageAtOnce, 3, kControlChange, 7, 100);

    EXPECT_THROW(m_performance->SendMIDIPMSG(0, kMessageAtOnce, -1, kControlChange, kAllSoundOff, 0),
                 EngineError);
    EXPECT_THROW(m_performance->SendMIDIPMSG(0, kMessageAtOnce, 256, kControlChange, kAllSoundOff, 0),
                 EngineError);
    EXPECT_THROW(m_performance->SendMIDIPMSG(0, kMessageAtOnce, 0, 0xF0, 0, 0), EngineError);
    EXPECT_THROW(m_performance->SendMIDIPMSG(0, kMessageAtOnce, 0, kControlChange, 128, 0), EngineError);
}

TEST_F(FluidEngineTest, NothingPlaysWithoutAudioAndAClosedPerformanceRefusesEverything)
{
    auto segment = load("song.mid", song(500000, 96));
    EXPECT_THROW(m_performance->PlaySegmentEx(*segment, 0, 0), EngineError);
    EXPECT_NO_THROW(m_performance->StopEx(*segment, 0, 0));

    m_performance->CloseDown();
    EXPECT_THROW(m_performance->InitAudio(kAudioFeaturesAll, AudioParams{}, kPathDynamicStereo,
                                          kPerformanceChannels),
                 EngineError);
    EXPECT_THROW(m_performance->AddNotificationType(kNotifySegment), EngineError);
    EXPECT_THROW(segment->Download(*m_performance), EngineError);
    EXPECT_THROW(m_performance->SetMasterVolume(kMasterVolume), EngineError);
    EXPECT_THROW(m_performance->GetMusicTime(), EngineError);
    EXPECT_THROW(m_performance->PlaySegmentEx(*segment, 0, 0), EngineError);
    EXPECT_THROW(m_performance->GetTempo(0), EngineError);
    EXPECT_THROW(m_performance->StopEx(*segment, 0, 0), EngineError);
    EXPECT_THROW(m_performance->SendMIDIPMSG(0, kMessageAtOnce, 0, kControlChange, kAllSoundOff, 0),
                 EngineError);
    EXPECT_NO_THROW(m_performance->CloseDown());
}

TEST_F(FluidEngineTest, ObjectsOfAnotherEngineAreRefused)
{
    ForeignSegment foreign;
    EXPECT_THROW(m_performance->PlaySegmentEx(foreign, 0, 0), EngineError);
    EXPECT_THROW(m_performance->StopEx(foreign, 0, 0), EngineError);

    class OtherPerformance : public Performance {
    public:
        void InitAudio(std::uint32_t, const AudioParams&, int, int) override {}
        void AddNotificationType(int) override {}
        void SetMasterTempo(float) override {}
        void SetMasterVolume(long) override {}
        MusicTime GetMusicTime() override { return 0; }
        std::unique_ptr<SegmentState> PlaySegmentEx(Segment&, std::uint32_t, std::int64_t) override { return nullptr; }
        double GetTempo(MusicTime) override { return 0; }
        void StopEx(Segment&, std::int64_t, std::uint32_t) override {}
        bool IsPlaying(Segment&, SegmentState&) override { return false; }
        void SendMIDIPMSG(std::int64_t, std::uint32_t, int, int, int, int) override {}
        void CloseDown() override {}
    } other;
    auto segment = load("song.mid", song(500000, 96));
    EXPECT_THROW(segment->Download(other), EngineError);
}

// Sets an environment variable for one scope.
class EnvOverride {
public:
    EnvOverride(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        ::setenv(name, value, 1);
    }
    ~EnvOverride()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(FluidLogPath, FollowsTheCacheDirectory)
{
    EnvOverride home("HOME", "/home/someone");
    {
        EnvOverride cache("XDG_CACHE_HOME", "/var/tmp/cache");
        EXPECT_EQ(fluidLogPath(), std::filesystem::path("/var/tmp/cache/tonvex/tonvex.log"));
    }
    EnvOverride relative("XDG_CACHE_HOME", "relative"); // not absolute: ignored
    EXPECT_EQ(fluidLogPath(), std::filesystem::path("/home/someone/.cache/tonvex/tonvex.log"));
}

TEST(FluidPreparation, ReadsOnTheWorkerAndTriesAFailedReadAgainOnTheNextTake)
{
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::vector<std::thread::id> makers;
    std::mutex makersMutex;
    bool fail = true;
    FluidPreparation preparation([&]() -> std::shared_ptr<FluidCore> {
        released.wait();
        std::lock_guard lock(makersMutex);
        makers.push_back(std::this_thread::get_id());
        if (fail)
            throw EngineError("no SoundFont");
        return nullptr;
    });
    EXPECT_FALSE(preparation.ready()) << "the read has not finished";
    release.set_value();
    EXPECT_THROW(preparation.take(), EngineError) << "the worker's failure reaches the first root";
    EXPECT_TRUE(preparation.ready());
    fail = false;
    EXPECT_NO_THROW(preparation.take()) << "a failed read is tried again";
    ASSERT_EQ(makers.size(), 2u);
    EXPECT_NE(makers[0], std::this_thread::get_id()) << "the first read runs on the worker";
    EXPECT_EQ(makers[1], std::this_thread::get_id());
}

} // namespace
} // namespace tonvex::test
