#pragma once

#include <cstdint>

namespace tonvex {

// What the copier remembers between events, kept from one track chunk to the next. Only
// channel status bytes change it: running status carries on across meta and sysex events.
struct RunState {
    bool LastStatusIsNote = false; // the running status is a note-off or note-on
    int CurrentChannel = 0;        // 1..16 of the running status; 0 before the first one
    std::uint8_t RunningStatus = 0; // last channel status byte 0x80..0xEF; 0 before the first one
};

} // namespace tonvex
