#include "preset.h"

#include "note_mapping.h"

namespace tonvex {

namespace {

using PitchMapTable = std::array<std::int16_t, 12>;

constexpr PitchMapTable kMirrorMap{0, -2, -4, -6, -8, -10, -12, -2, -4, -6, -8, -10};
constexpr PitchMapTable kUpsideMap{9, 9, 5, 5, 1, -1, -2, -5, -5, -9, -9, -12};
constexpr PitchMapTable kWholeMap{-12, -11, -10, -9, -8, -7, -6, -5, -4, -3, -2, -1};
constexpr PitchMapTable kPentaMap{0, -1, 0, 1, 0, -1, 1, 0, 1, 0, 1, 1};

} // namespace

bool selectPreset(int buttonIndex, Preset& preset)
{
    switch (buttonIndex) {
    case kFirstPresetButton:
        preset.OutSuffix = "_Mirror.mid";
        preset.ReverseMode = false;
        preset.PitchMap = kMirrorMap;
        return true;
    case kFirstPresetButton + 1:
        preset.OutSuffix = "_Reverse.mid";
        preset.ReverseMode = true;
        return true;
    case kFirstPresetButton + 2:
        preset.OutSuffix = "_Upside.mid";
        preset.ReverseMode = false;
        preset.PitchMap = kUpsideMap;
        return true;
    case kFirstPresetButton + 3:
        preset.OutSuffix = "_Whole.mid";
        preset.ReverseMode = false;
        preset.PitchMap = kWholeMap;
        return true;
    case kFirstPresetButton + 4:
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
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < kPresetNames.size(); ++i) {
        const std::string_view known = kPresetNames[i];
        bool same = known.size() == name.size();
        for (std::size_t c = 0; same && c < name.size(); ++c)
            same = lower(known[c]) == lower(name[c]);
        if (same)
            return kFirstPresetButton + static_cast<int>(i);
    }
    return -1;
}

std::uint8_t TransformNote(const Preset& preset, std::uint8_t note, int channel)
{
    return mapNote(preset, note, channel);
}

} // namespace tonvex
