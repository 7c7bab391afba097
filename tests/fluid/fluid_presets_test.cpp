// What a song asks of the synthesizer, and the SoundFonts of just those presets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "fluid_performance.h"
#include "fluid_root.h"
#include "smf_builder.h"
#include "song_survey.h"
#include "sound_font_index.h"
#include "subset_sound_fonts.h"

namespace tonvex::test {
namespace {

constexpr std::uint8_t kControl = 0xB0;
constexpr std::uint8_t kBankSelect = 0;
constexpr std::uint8_t kVolume = 7;
constexpr std::uint8_t kSustain = 64;
constexpr int kDrums = 9;

struct SurveyCase {
    const char* name;
    std::vector<Bytes> tracks;
    std::vector<PresetId> presets;
    double heaviest;
};

class SongSurveyTest : public ::testing::TestWithParam<SurveyCase> {};

TEST_P(SongSurveyTest, ReadsPresetsAndDensestMoment)
{
    const SongSurvey survey(smfFile(GetParam().tracks));
    EXPECT_EQ(survey.presets(), GetParam().presets);
    EXPECT_NEAR(survey.heaviestMoment(), GetParam().heaviest, 1e-9);
}

double full(int velocity, int volume = 100)
{
    return std::pow(velocity / 127.0, 2) * std::pow(volume / 127.0, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Songs, SongSurveyTest,
    ::testing::Values(
        SurveyCase{"DefaultsBeforeAnyProgramChange",
                   {TrackBuilder().noteOn(0, 60, 127).noteOn(kDrums, 36, 127).at(96).noteOff(0, 60).end().chunk()},
                   {{0, 0}, {128, 0}},
                   2 * full(127)},
        SurveyCase{"BankSelectCountsExceptOnTheDrumChannelAcrossTracks",
                   {TrackBuilder().raw({kControl, kBankSelect, 8}).raw({kControl | kDrums, kBankSelect, 3}).end().chunk(),
                    TrackBuilder().program(0, 5).program(kDrums, 25).noteOn(0, 60, 64).noteOn(kDrums, 36, 64)
                        .end().chunk()},
                   {{8, 5}, {128, 25}},
                   2 * full(64)},
        SurveyCase{"GmSystemOnResetsTheBank",
                   {TrackBuilder().raw({kControl, kBankSelect, 8}).raw({0xF0, 5, 0x7E, 0x7F, 0x09, 0x01, 0xF7})
                        .program(0, 5).noteOn(0, 60, 100).end().chunk()},
                   {{0, 5}},
                   full(100)},
        SurveyCase{"AChannelTurnedToDrumsAsksForBothReadings",
                   {TrackBuilder().raw({0xF0, 10, 0x41, 0x10, 0x42, 0x12, 0x40, 0x11, 0x15, 0x01, 0x19, 0xF7})
                        .program(0, 10).noteOn(0, 40, 100).end().chunk()},
                   {{0, 10}, {128, 10}},
                   full(100)},
        // Volume scales the notes; the pedal holds released notes until it lifts.
        SurveyCase{"PedalHeldNotesAddUp",
                   {TrackBuilder().noteOn(0, 60, 127).at(96).noteOff(0, 60)
                        .raw({kControl | 1, kVolume, 127}).raw({kControl | 1, kSustain, 127})
                        .noteOn(1, 60, 127).noteOn(1, 64, 127).at(48).noteOff(1, 60).noteOff(1, 64)
                        .at(48).noteOn(1, 67, 127).at(96).raw({kControl | 1, kSustain, 0})
                        .at(16).noteOn(1, 72, 127).end().chunk()},
                   {{0, 0}},
                   3.0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SongSurvey, StopsAtATrackItCannotFollow)
{
    TrackBuilder broken;
    broken.noteOn(0, 60, 127).raw({0xF4}).noteOn(1, 60, 127); // no system message belongs in a file
    const SongSurvey survey(smfFile({broken.end().chunk()}));
    EXPECT_EQ(survey.presets(), (std::vector<PresetId>{{0, 0}}));
    EXPECT_NEAR(survey.heaviestMoment(), full(127), 1e-9);
    EXPECT_TRUE(SongSurvey(Bytes{'M', 'T', 'h', 'd'}).presets().empty());
}

// The engine's own synthesizer and SoundFont, shared by the tests below.
class PresetsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        keepLogInTempDir();
        try {
            s_root = createFluidRoot();
        } catch (const EngineError&) {
            s_root.reset();
        }
    }
    static void TearDownTestSuite() { s_root.reset(); }
    void SetUp() override
    {
        if (!s_root)
            GTEST_SKIP() << "no General MIDI SoundFont installed";
    }
    static FluidCore& core() { return static_cast<FluidRoot&>(*s_root).core(); }

    static std::unique_ptr<MusicRoot> s_root;
};

std::unique_ptr<MusicRoot> PresetsTest::s_root;

struct Synth {
    fluid_settings_t* settings = new_fluid_settings();
    fluid_synth_t* synth = nullptr;
    explicit Synth(bool subsets)
    {
        fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
        synth = new_fluid_synth(settings);
        if (subsets)
            fluid_synth_add_sfloader(synth, SubsetSoundFonts::newLoader(settings));
    }
    ~Synth()
    {
        delete_fluid_synth(synth);
        delete_fluid_settings(settings);
    }
    // A second of a middle C on channel 0 with the preset selected, without effects.
    std::vector<float> note(int font, PresetId preset)
    {
        constexpr int kBlock = 441;
        fluid_synth_program_select(synth, 0, font, preset.bank, preset.program);
        fluid_synth_noteon(synth, 0, 60, 100);
        std::vector<float> left(100 * kBlock), right(100 * kBlock);
        for (std::size_t at = 0; at < left.size(); at += kBlock) {
            float* out[2] = {left.data() + at, right.data() + at};
            fluid_synth_process(synth, kBlock, 0, nullptr, 2, out);
        }
        return left;
    }
};

TEST_F(PresetsTest, ASubsetHoldsJustItsPresetsAndSoundsAsTheWholeSoundFont)
{
    const SoundFontIndex& index = core().instruments().index();
    EXPECT_EQ(index.resolve({100, 30}), (PresetId{0, 30})) << "a missing bank falls back to bank 0";
    ASSERT_TRUE(index.has({128, 0}));
    if (!index.has({128, 127})) {
        EXPECT_EQ(index.resolve({128, 127}), (PresetId{128, 0})) << "a missing drum kit falls back to the first";
    }

    SubsetSoundFonts::publish("test-subset", index, index.tablesFor({{0, 40}, {128, 0}}));
    Synth subset(true);
    const int id = fluid_synth_sfload(subset.synth, "test-subset", 1);
    ASSERT_NE(id, FLUID_FAILED);
    std::vector<PresetId> held;
    fluid_sfont_t* font = fluid_synth_get_sfont_by_id(subset.synth, id);
    fluid_sfont_iteration_start(font);
    while (fluid_preset_t* preset = fluid_sfont_iteration_next(font))
        held.push_back({fluid_preset_get_banknum(preset), fluid_preset_get_num(preset)});
    std::sort(held.begin(), held.end());
    EXPECT_EQ(held, (std::vector<PresetId>{{0, 40}, {128, 0}}));

    Synth whole(false);
    const int wholeId = fluid_synth_sfload(whole.synth, index.path().c_str(), 1);
    ASSERT_NE(wholeId, FLUID_FAILED);
    const std::vector<float> expected = whole.note(wholeId, {0, 40});
    EXPECT_GT(*std::max_element(expected.begin(), expected.end()), 0.01f);
    EXPECT_EQ(subset.note(id, {0, 40}), expected) << "the subset plays other samples";
    SubsetSoundFonts::withdraw("test-subset");
}

TEST_F(PresetsTest, DownloadLoadsTheSongsPresetsInPlaceOfTheLastSongsWithItsGain)
{
    auto performance = s_root->DirectMusicPerformanceCreate();
    auto loader = s_root->DirectMusicLoaderCreate();
    auto load = [&](const char* name, const Bytes& bytes) { return loader->LoadSegment(writeTempFile(name, bytes)); };
    TrackBuilder band;
    band.program(0, 40).noteOn(0, 60, 100).noteOn(kDrums, 36, 100).noteOn(kDrums, 38, 100).at(96);
    for (int channel = 1; channel < 8; ++channel)
        band.raw({kBankSelect, 100}).program(channel, 48).noteOn(channel, 48 + channel, 120); // no bank 100
    auto dense = load("band.mid", smfFile({band.end().chunk()}));
    auto solo = load("solo.mid", smfFile({TrackBuilder().noteOn(0, 60, 40).at(96).noteOff(0, 60).end().chunk()}));

    dense->Download(*performance);
    const float denseGain = core().songGain();
    core().instruments().waitUntilReady();
    EXPECT_EQ(core().instruments().loaded(), (std::vector<PresetId>{{0, 40}, {0, 48}, {128, 0}}));
    EXPECT_EQ(fluid_synth_sfcount(core().synth()), 1) << "one SoundFont at a time";

    solo->Download(*performance);
    core().instruments().waitUntilReady();
    EXPECT_EQ(core().instruments().loaded(), (std::vector<PresetId>{{0, 0}}));
    EXPECT_EQ(fluid_synth_sfcount(core().synth()), 1);
    // A soft solo is lifted, up to a limit; the band less, never below FluidSynth's default.
    EXPECT_GT(core().songGain(), denseGain);
    EXPECT_LE(core().songGain(), 2.0f);
    EXPECT_GE(denseGain, 0.2f);
    EXPECT_LT(denseGain, 0.5f);
    performance->CloseDown();
}

} // namespace
} // namespace tonvex::test
