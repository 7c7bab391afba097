#include <gtest/gtest.h>

#include <array>

#include "midi_builder.h"
#include "preset.h"

namespace tonvex {
namespace {

using test::presetFor;

std::array<int, 12> octaveFrom60(const Preset& preset, int channel = 1)
{
    std::array<int, 12> result{};
    for (int i = 0; i < 12; ++i)
        result[i] = TransformNote(preset, static_cast<std::uint8_t>(60 + i), channel);
    return result;
}

TEST(PresetTest, EachButtonMapsTheMiddleOctaveAsItsTableSays)
{
    using Row = std::array<int, 12>;
    EXPECT_EQ(octaveFrom60(presetFor(test::kMirror)), (Row{60, 59, 58, 57, 56, 55, 54, 65, 64, 63, 62, 61}));
    EXPECT_EQ(octaveFrom60(presetFor(test::kUpside)), (Row{69, 70, 67, 68, 65, 64, 64, 62, 63, 60, 61, 59}));
    EXPECT_EQ(octaveFrom60(presetFor(test::kWhole)), (Row{48, 50, 52, 54, 56, 58, 60, 62, 64, 66, 68, 70}));
    EXPECT_EQ(octaveFrom60(presetFor(test::kPenta)), (Row{60, 60, 62, 64, 64, 64, 67, 67, 69, 69, 71, 72}));
    EXPECT_EQ(octaveFrom60(presetFor(test::kReverse)), (Row{67, 66, 65, 64, 63, 62, 61, 60, 59, 58, 57, 56}));
}

TEST(PresetTest, SuffixesAndReverseFlag)
{
    const std::array<const char*, 5> suffixes{"_Mirror.mid", "_Reverse.mid", "_Upside.mid", "_Whole.mid", "_Penta.mid"};
    for (std::size_t i = 0; i < kPresets.size(); ++i) {
        Preset preset;
        selectPreset(kPresets[i].id, preset);
        EXPECT_EQ(preset.OutSuffix, suffixes[i]);
        EXPECT_EQ(preset.ReverseMode, kPresets[i].id == test::kReverse);
    }
}

TEST(PresetTest, ReverseKeepsThePreviousTableAndIgnoresIt)
{
    Preset preset;
    selectPreset(test::kUpside, preset);
    const auto upsideMap = preset.PitchMap;
    selectPreset(test::kReverse, preset);
    EXPECT_EQ(preset.PitchMap, upsideMap);
    EXPECT_EQ(preset.OutSuffix, "_Reverse.mid");
    EXPECT_EQ(octaveFrom60(preset), octaveFrom60(presetFor(test::kReverse)));

    // A later preset turns Reverse off again and rewrites the table.
    selectPreset(test::kPenta, preset);
    EXPECT_FALSE(preset.ReverseMode);
    EXPECT_EQ(preset.PitchMap, presetFor(test::kPenta).PitchMap);
}

TEST(PresetTest, NamesAndWindowLabelsFindTheirPresetInAnyCase)
{
    EXPECT_EQ(presetByName("Mirror"), test::kMirror);
    EXPECT_EQ(presetByName("reverse"), test::kReverse);
    EXPECT_EQ(presetByName("UPSIDE"), test::kUpside);
    EXPECT_EQ(presetByName("upside-d"), test::kUpside);
    EXPECT_EQ(presetByName("Whole"), test::kWhole);
    EXPECT_EQ(presetByName("WHOLET"), test::kWhole);
    EXPECT_EQ(presetByName("Penta"), test::kPenta);
    for (const char* unknown : {"Pent", "", "Mirrors", "Upside-", "Whole T"})
        EXPECT_EQ(presetByName(unknown), std::nullopt) << unknown;
}

TEST(TransformNoteTest, NamedNotes)
{
    const Preset mirror = presetFor(test::kMirror);
    EXPECT_EQ(TransformNote(mirror, 72, 1), 72);
    EXPECT_EQ(TransformNote(mirror, 66, 1), 54);
    EXPECT_EQ(TransformNote(mirror, 71, 1), 61);

    const Preset whole = presetFor(test::kWhole);
    EXPECT_EQ(TransformNote(whole, 66, 1), 60);
    EXPECT_EQ(TransformNote(whole, 127, 1), 122);

    const Preset penta = presetFor(test::kPenta);
    EXPECT_EQ(TransformNote(penta, 71, 1), 72);
    EXPECT_EQ(TransformNote(penta, 126, 1), 127);
    EXPECT_EQ(TransformNote(penta, 127, 16), 127);
}

TEST(TransformNoteTest, ReverseReflectsTheKeyboardAndChannelTwoAbout42)
{
    const Preset reverse = presetFor(test::kReverse);
    EXPECT_EQ(TransformNote(reverse, 0, 1), 127);
    EXPECT_EQ(TransformNote(reverse, 127, 16), 0);
    EXPECT_EQ(TransformNote(reverse, 84, 2), 0);
    EXPECT_EQ(TransformNote(reverse, 0, 2), 84);
    EXPECT_EQ(TransformNote(reverse, 127, 2), 43);
    EXPECT_EQ(TransformNote(reverse, 36, 2), 48);
    EXPECT_EQ(TransformNote(reverse, 100, 2), 16);
    EXPECT_EQ(TransformNote(reverse, 60, 3), 67);
}

TEST(TransformNoteTest, ResultsOffTheKeyboardFoldByOctaves)
{
    const Preset mirror = presetFor(test::kMirror);
    EXPECT_EQ(TransformNote(mirror, 1, 1), 11);  // -1
    EXPECT_EQ(TransformNote(mirror, 6, 1), 6);   // -6
    const Preset upside = presetFor(test::kUpside);
    EXPECT_EQ(TransformNote(upside, 11, 1), 11);  // -1
    EXPECT_EQ(TransformNote(upside, 120, 1), 117); // 129
    EXPECT_EQ(TransformNote(upside, 121, 1), 118); // 130
    EXPECT_EQ(TransformNote(upside, 123, 1), 116); // 128
    const Preset whole = presetFor(test::kWhole);
    EXPECT_EQ(TransformNote(whole, 0, 1), 0);  // -12
    EXPECT_EQ(TransformNote(whole, 5, 1), 10); // -2

    // Whatever the table, the result is a note with the pitch class the table asks for.
    Preset wild;
    wild.PitchMap = {-32768, 32767, -300, 300, -13, 13, -128, 128, 0, 1, -1, 24};
    for (int note = 0; note <= 127; ++note) {
        const int result = TransformNote(wild, static_cast<std::uint8_t>(note), 1);
        ASSERT_GE(result, 0) << note;
        ASSERT_LE(result, 127) << note;
        const int wanted = note + wild.PitchMap[note % 12];
        EXPECT_EQ(((result - wanted) % 12 + 12) % 12, 0) << note;
    }
}

TEST(TransformNoteTest, PercussionAndNonNotesAreNeverChanged)
{
    for (const PresetInfo& info : kPresets) {
        const Preset preset = presetFor(info.id);
        for (int byte = 0; byte <= 255; ++byte) {
            const auto value = static_cast<std::uint8_t>(byte);
            EXPECT_EQ(TransformNote(preset, value, 10), value) << info.name << " note " << byte;
            if (byte >= 128) {
                EXPECT_EQ(TransformNote(preset, value, 1), value) << info.name << " byte " << byte;
            }
        }
    }
}

} // namespace
} // namespace tonvex
