#pragma once

#include <cstdint>

#include "midi_bytes.h"
#include "preset.h"

namespace tonvex {

// Moves `value` by whole octaves into 0..127, keeping its pitch class.
constexpr int foldIntoRange(int value)
{
    using midi::kHighestNote;
    using midi::kOctave;
    if (value < 0) [[unlikely]]
        value += kOctave * ((-value + kOctave - 1) / kOctave);
    if (value > kHighestNote) [[unlikely]]
        value -= kOctave * ((value - kHighestNote + kOctave - 1) / kOctave);
    return value;
}

// TransformNote's rule, inline so the copier's per-note cost stays a few instructions.
inline std::uint8_t mapNote(const Preset& preset, std::uint8_t note, int channel)
{
    if (note > midi::kHighestNote || channel == midi::kPercussionChannel)
        return note;
    int result;
    if (preset.ReverseMode) {
        if (channel == midi::kReverseLowChannel)
            result = note > midi::kReverseLowPivot ? note - midi::kReverseLowPivot : midi::kReverseLowPivot - note;
        else
            result = midi::kHighestNote - note;
    } else {
        result = note + preset.PitchMap[note % midi::kOctave];
    }
    return static_cast<std::uint8_t>(foldIntoRange(result));
}

} // namespace tonvex
