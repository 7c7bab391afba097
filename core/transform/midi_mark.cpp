#include "midi_mark.h"

namespace tonvex {
namespace {

constexpr char asciiUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

std::size_t findMidiMark(std::string_view text)
{
    for (std::size_t at = 0; at + kMidiMark.size() <= text.size(); ++at) {
        std::size_t i = 0;
        while (i < kMidiMark.size() && asciiUpper(text[at + i]) == kMidiMark[i])
            ++i;
        if (i == kMidiMark.size())
            return at;
    }
    return std::string_view::npos;
}

} // namespace tonvex
