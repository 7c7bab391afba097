#pragma once

#include <cstddef>
#include <string_view>

namespace tonvex {

// The mark a name must hold to be taken as a MIDI file: ".MID" in any letter case.
inline constexpr std::string_view kMidiMark = ".MID";

// Where ".MID" first occurs in `text`, letters compared in ASCII upper case only, so the
// answer is the same in every locale (Turkish upper-cases 'i' to a dotted capital);
// std::string_view::npos when it does not occur.
std::size_t findMidiMark(std::string_view text);

// Whether `text` holds ".MID" in any ASCII letter case.
inline bool holdsMidiMark(std::string_view text)
{
    return findMidiMark(text) != std::string_view::npos;
}

} // namespace tonvex
