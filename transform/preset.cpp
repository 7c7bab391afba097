#include "preset.h"

#include "midi_bytes.h"

namespace tonvex {

namespace {

using PitchMapTable = std::array<std::int16_t, 12>;

constexpr PitchMapTable kMirrorMap{0, -2, -4, -6, -8, -10, -12, -2, -4, -6, -8, -10};
constexpr PitchMapTable kUpsideMap{9, 9, 5, 5, 1, -1, -2, -5, -5, -9, -9, -12};
constexpr PitchMapTable kWholeMap{-12, -11, -10, -9, -8, -7, -6, -5, -4, -3, -2, -1};
constexpr PitchMapTable kPentaMap{0, -1, 0, 1, 0, -1, 1, 0, 1, 0, 1, 1};

// Moves `value` by whole octaves into 0..127, keeping its pitch class.
int foldIntoRange(int value)
{
    using midi::kHighestNote;
    using midi::kOctave;
    if (value < 0)
        value += kOctave * ((-value + kOctave - 1) / kOctave);
    if (value > kHighestNote)
        value -= kOctave * ((value - kHighestNote + kOctave - 1) / kOctave);
    return value;
}

} // namespace

bool selectPreset(int buttonIndex, Preset& preset)
{
    switch (buttonIndex) {
    case 4:
        preset.OutSuffix = "_Mirror.mid";
        preset.ReverseMode = false;
        preset.PitchMap = kMirrorMap;
        return true;
    case 5:
        preset.OutSuffix = "_Reverse.mid";
        preset.ReverseMode = true;
        return true;
    case 6:
        preset.OutSuffix = "_Upside.mid";
        preset.ReverseMode = false;
        preset.PitchMap = kUpsideMap;
        return true;
    case 7:
        preset.OutSuffix = "_Whole.mid";
        preset.ReverseMode = false;
        preset.PitchMap = kWholeMap;
        return true;
    case 8:
        preset.OutSuffix = "_Penta.mid";
        preset.ReverseMode = false;
        preset.PitchMap = kPentaMap;
        return true;
    default:
        return false;
    }
}

int presetButtonByName(std::string_view name)
{
    for (std::size_t i = 0; i < kPresetNames.size(); ++i) {
        const std::string_view known = kPresetNames[i];
        if (known.size() != name.size())
            continue;
        bool same = true;
        for (std::size_t c = 0; c < name.size() && same; ++c) {
            const auto lower = [](char ch) { return (ch >= 'A' && ch <= 'Z') ? char(ch - 'A' + 'a') : ch; };
            same = lower(known[c]) == lower(name[c]);
        }
        if (same)
            return kFirstPresetButton + static_cast<int>(i);
    }
    return -1;
}

std::uint8_t TransformNote(const Preset& preset, std::uint8_t note, int channel)
{
    if (note > midi::kHighestNote || channel == midi::kPercussionChannel)
        return note;
    int result;
    if (preset.ReverseMode) {
        result = channel == midi::kReverseLowChannel ? (note > midi::kReverseLowPivot ? note - midi::kReverseLowPivot
                                                                                      : midi::kReverseLowPivot - note)
                                                     : midi::kHighestNote - note;
    } else {
        result = note + preset.PitchMap[note % midi::kOctave];
    }
    return static_cast<std::uint8_t>(foldIntoRange(result));
}

} // namespace tonvex
