#pragma once

namespace tonvex {

// A preset of a SoundFont, by its MIDI bank (128 for drum kits) and program.
struct BankProgram {
    int bank = 0;
    int program = 0;
    friend auto operator<=>(const BankProgram&, const BankProgram&) = default;
};

} // namespace tonvex
