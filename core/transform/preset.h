#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tonvex {

// The selected transformation: output suffix, the Reverse rule and the semitone table
// indexed by pitch class.
struct Preset {
    std::string OutSuffix;
    bool ReverseMode = false;
    std::array<std::int16_t, 12> PitchMap{};
};

// The five transformations, in the order of kPresets.
enum class PresetId { Mirror, Reverse, Upside, Whole, Penta };

// One transformation as the program knows it.
struct PresetInfo {
    PresetId id;
    std::string_view name;   // the name in its suffix, "Upside"
    std::string_view label;  // the window button's label, "Upside-D"
    std::string_view suffix; // OutSuffix, "_Upside.mid"
    bool reverse;            // ReverseMode; such a preset leaves PitchMap as it was
    std::array<std::int16_t, 12> pitchMap;
};

inline constexpr std::array<PresetInfo, 5> kPresets{{
    {PresetId::Mirror, "Mirror", "Mirror", "_Mirror.mid", false, {0, -2, -4, -6, -8, -10, -12, -2, -4, -6, -8, -10}},
    {PresetId::Reverse, "Reverse", "Reverse", "_Reverse.mid", true, {}},
    {PresetId::Upside, "Upside", "Upside-D", "_Upside.mid", false, {9, 9, 5, 5, 1, -1, -2, -5, -5, -9, -9, -12}},
    {PresetId::Whole, "Whole", "WholeT", "_Whole.mid", false, {-12, -11, -10, -9, -8, -7, -6, -5, -4, -3, -2, -1}},
    {PresetId::Penta, "Penta", "Penta", "_Penta.mid", false, {0, -1, 0, 1, 0, -1, 1, 0, 1, 0, 1, 1}},
}};

// The table row of `id`.
constexpr const PresetInfo& presetInfo(PresetId id)
{
    return kPresets[static_cast<std::size_t>(id)];
}

// The preset whose name or window label is `name` in any ASCII letter case; nullopt when
// there is none.
std::optional<PresetId> presetByName(std::string_view name);

// Stores preset `id` into `preset`; Reverse keeps the PitchMap already there.
void selectPreset(PresetId id, Preset& preset);

// The new note number (0..127) for note `note` on channel 1..16; a byte of 128 or more is
// not a note and comes back unchanged.
std::uint8_t TransformNote(const Preset& preset, std::uint8_t note, int channel);

} // namespace tonvex
