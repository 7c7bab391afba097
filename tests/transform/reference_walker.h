#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tonvex::test {

// What a straightforward reading of a whole file in memory finds: written for the tests,
// independently of the streaming copier, to check it against.
struct Walk {
    bool readable = false;
    std::size_t consumed = 0; // bytes read: the whole file when readable
    struct Note {
        std::size_t offset; // of the note-number byte
        int channel;        // 1..16
    };
    std::vector<Note> notes;
};

Walk walkMidiFile(std::span<const std::uint8_t> file);

} // namespace tonvex::test
