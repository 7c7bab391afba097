#pragma once

#include <array>
#include <cstdint>
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

// First and last image-button index of the transformation buttons.
inline constexpr int kFirstPresetButton = 4;
inline constexpr int kLastPresetButton = 8;

// Preset names in button order, from kFirstPresetButton on.
inline constexpr std::array<std::string_view, 5> kPresetNames{"Mirror", "Reverse", "Upside", "Whole", "Penta"};

// The button index 4..8 of a preset name (any case); -1 for an unknown name.
int presetButtonByName(std::string_view name);

// Stores the preset of transformation button 4..8 into `preset` (Reverse keeps PitchMap);
// returns false and leaves `preset` alone for any other index.
bool selectPreset(int buttonIndex, Preset& preset);

// The new note number (0..127) for note `note` on channel 1..16; a byte of 128 or more is
// not a note and comes back unchanged.
std::uint8_t TransformNote(const Preset& preset, std::uint8_t note, int channel);

} // namespace tonvex
