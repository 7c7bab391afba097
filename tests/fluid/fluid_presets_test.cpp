// What a song asks of the synthesizer, and the SoundFonts of just those presets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "fluid_performance.h"
#include "fluid_root.h"
#include "fluid_root_test.h"
#include "midi_bytes.h"
#include "smf_builder.h"
#include "song_survey.h"
#include "sound_font_index.h"
#include "subset_sound_fonts.h"

namespace tonvex::test {
namespace {

using namespace midi;

constexpr std::uint8_t kControl = kControlChange;
constexpr int kDrums = kPercussionChannel - 1;

struct SurveyCase {
    const char* name;
    std::vector<Bytes> tracks;
    std::vector<BankProgram> presets;
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
    EXPECT_EQ(survey.presets(), (std::vector<BankProgram>{{0, 0}}));
    EXPECT_NEAR(survey.heaviestMoment(), full(127), 1e-9);
    EXPECT_TRUE(SongSurvey(Bytes{'M', 'T', 'h', 'd'}).presets().empty());
}

// A SoundFont of two presets, two instruments and three samples, in the file's byte order.
// Preset (0, 1) uses instrument 1, preset (0, 0) instrument 0; instrument 1 plays sample 2, the
// left half of a stereo pair with sample 1.
class TinySoundFont {
public:
    Bytes bytes() const
    {
        Bytes sdta = id("sdta");
        append(sdta, chunk("smpl", Bytes(3 * 2 * 50, 0)));
        Bytes pdta = id("pdta");
        for (const auto& [name, records] : m_tables)
            append(pdta, chunk(name, records));
        Bytes body = id("sfbk");
        append(body, chunk("LIST", concat(id("INFO"), chunk("ifil", {2, 0, 1, 0}))));
        append(body, chunk("LIST", sdta));
        append(body, chunk("LIST", pdta));
        return chunk("RIFF", body);
    }
    Bytes& table(const std::string& name)
    {
        for (auto& [tableName, records] : m_tables)
            if (tableName == name)
                return records;
        throw std::logic_error("no table " + name);
    }
    // The "LIST pdta" chunk as the file has it.
    Bytes tables() const
    {
        const Bytes file = bytes();
        const Bytes list = id("pdta");
        const auto at = std::search(file.begin(), file.end(), list.begin(), list.end());
        return Bytes(at - 8, file.end());
    }

private:
    static Bytes id(const char* text) { return Bytes(text, text + 4); }
    static void append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }
    static Bytes concat(Bytes a, const Bytes& b)
    {
        append(a, b);
        return a;
    }
    static Bytes chunk(const std::string& name, const Bytes& data)
    {
        Bytes out(name.begin(), name.end());
        for (int shift = 0; shift < 32; shift += 8)
            out.push_back(static_cast<std::uint8_t>(data.size() >> shift));
        append(out, data);
        return out;
    }
    static Bytes le16(std::initializer_list<int> values)
    {
        Bytes out;
        for (int v : values) {
            out.push_back(static_cast<std::uint8_t>(v));
            out.push_back(static_cast<std::uint8_t>(v >> 8));
        }
        return out;
    }
    static Bytes named(const char* name, std::size_t size, const Bytes& fields)
    {
        Bytes out(20, 0);
        std::copy(name, name + std::strlen(name), out.begin());
        append(out, fields);
        out.resize(size, 0);
        return out;
    }
    static Bytes sample(const char* name, int start, int link, int type)
    {
        Bytes fields;
        for (int v : {start, start + 40, start + 8, start + 32, 44100})
            for (int shift = 0; shift < 32; shift += 8)
                fields.push_back(static_cast<std::uint8_t>(v >> shift));
        append(fields, {60, 0});
        append(fields, le16({link, type}));
        return named(name, 46, fields);
    }

    std::vector<std::pair<std::string, Bytes>> m_tables = {
        {"phdr", concat(concat(named("Bright", 38, le16({1, 0, 0})), named("Piano", 38, le16({0, 0, 1}))),
                        named("EOP", 38, le16({0, 0, 2})))},
        {"pbag", le16({0, 0, 1, 0, 2, 0})},
        {"pmod", Bytes(10, 0)},
        {"pgen", le16({41, 1, 41, 0, 0, 0})},
        {"inst", concat(concat(named("Soft", 22, le16({0})), named("Loud", 22, le16({1}))), named("EOI", 22, le16({2})))},
        {"ibag", le16({0, 0, 1, 0, 2, 0})},
        {"imod", Bytes(10, 0)},
        {"igen", le16({53, 0, 53, 2, 0, 0})},
        {"shdr", concat(concat(concat(sample("mono", 0, 0, 1), sample("right", 50, 2, 2)), sample("left", 100, 1, 4)),
                        sample("EOS", 0, 0, 0))},
    };
};

TEST(SoundFontIndex, KeepsThePresetsAskedForWithWhatTheyUseAndRefusesBrokenTables)
{
    TinySoundFont font;
    const SoundFontIndex index = SoundFontIndex::read(writeTempFile("tiny.sf2", font.bytes()));
    EXPECT_TRUE(index.has({0, 1}));
    EXPECT_EQ(index.resolve({0, 7}), (BankProgram{0, 0}));
    EXPECT_EQ(index.resolve({128, 0}), std::nullopt);
    EXPECT_EQ(index.tablesFor({{0, 0}, {0, 1}}).size(), font.tables().size());

    // Only (0, 1): instrument 1 becomes the first, with sample 2 and its partner, linked anew.
    TinySoundFont expected;
    Bytes& phdr = expected.table("phdr");
    phdr.erase(phdr.begin() + 38, phdr.begin() + 76);
    phdr[38 + 24] = 1;
    expected.table("pbag") = {0, 0, 0, 0, 1, 0, 0, 0};
    expected.table("pgen") = {41, 0, 0, 0, 0, 0, 0, 0};
    Bytes& inst = expected.table("inst");
    inst.erase(inst.begin(), inst.begin() + 22);
    inst[20] = 0;
    inst[22 + 20] = 1;
    expected.table("ibag") = {0, 0, 0, 0, 1, 0, 0, 0};
    expected.table("igen") = {53, 0, 0, 0, 0, 0, 0, 0};
    Bytes& shdr = expected.table("shdr");
    std::rotate(shdr.begin(), shdr.begin() + 46, shdr.end() - 46); // right, left, mono
    std::swap_ranges(shdr.begin(), shdr.begin() + 46, shdr.begin() + 46); // left, right, mono
    shdr.erase(shdr.begin() + 92, shdr.begin() + 138);
    shdr[42] = 1; // left links to right, now 1
    shdr[46 + 42] = 0;
    EXPECT_EQ(index.tablesFor({{0, 1}}), expected.tables());

    auto refused = [](const Bytes& bytes) {
        try {
            SoundFontIndex::read(writeTempFile("broken.sf2", bytes));
            return false;
        } catch (const EngineError&) {
            return true;
        }
    };
    Bytes extra = font.bytes();
    extra.push_back(0);
    EXPECT_TRUE(refused(extra)) << "a size that does not match the file";
    TinySoundFont badSample;
    badSample.table("igen")[6] = 3; // sample 3 is the terminal
    EXPECT_TRUE(refused(badSample.bytes()));
    TinySoundFont falling;
    falling.table("pbag")[4] = 0; // generators run backwards
    falling.table("pbag")[0] = 1;
    EXPECT_TRUE(refused(falling.bytes()));
    TinySoundFont ragged;
    ragged.table("pmod").pop_back(); // not whole records
    ragged.table("pmod").pop_back();
    EXPECT_TRUE(refused(ragged.bytes()));
}

class PresetsTest : public FluidRootTest {};

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
    std::vector<float> note(int font, BankProgram preset)
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
    EXPECT_EQ(index.resolve({100, 30}), (BankProgram{0, 30})) << "a missing bank falls back to bank 0";
    ASSERT_TRUE(index.has({128, 0}));
    if (!index.has({128, 127})) {
        EXPECT_EQ(index.resolve({128, 127}), (BankProgram{128, 0})) << "a missing drum kit falls back to the first";
    }

    SubsetSoundFonts::publish("test-subset", index, index.tablesFor({{0, 40}, {128, 0}}));
    Synth subset(true);
    const int id = fluid_synth_sfload(subset.synth, "test-subset", 1);
    ASSERT_NE(id, FLUID_FAILED);
    std::vector<BankProgram> held;
    fluid_sfont_t* font = fluid_synth_get_sfont_by_id(subset.synth, id);
    fluid_sfont_iteration_start(font);
    while (fluid_preset_t* preset = fluid_sfont_iteration_next(font))
        held.push_back({fluid_preset_get_banknum(preset), fluid_preset_get_num(preset)});
    std::sort(held.begin(), held.end());
    EXPECT_EQ(held, (std::vector<BankProgram>{{0, 40}, {128, 0}}));

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
        band.raw({static_cast<std::uint8_t>(kControl | channel), kBankSelect, 100}) // a bank the font lacks
            .program(channel, 48)
            .noteOn(channel, 48 + channel, 120);
    auto dense = load("band.mid", smfFile({band.end().chunk()}));
    auto solo = load("solo.mid", smfFile({TrackBuilder().noteOn(0, 60, 40).at(96).noteOff(0, 60).end().chunk()}));

    dense->Download(*performance);
    const float denseGain = core().songGain();
    core().instruments().waitUntilReady();
    EXPECT_EQ(core().instruments().loaded(), (std::vector<BankProgram>{{0, 40}, {0, 48}, {128, 0}}));
    EXPECT_EQ(fluid_synth_sfcount(core().synth()), 1) << "one SoundFont at a time";

    solo->Download(*performance);
    core().instruments().waitUntilReady();
    EXPECT_EQ(core().instruments().loaded(), (std::vector<BankProgram>{{0, 0}}));
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
