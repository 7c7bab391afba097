#pragma once

#include <cstdint>
#include <vector>

#include "bank_program.h"

namespace tonvex {

// What a Standard MIDI File will ask of the synthesizer, read from its bytes in the order the
// player sends its events: the presets its channels select, and how heavy its densest moment
// is. A track the reader cannot follow is read up to where it stops making sense.
class SongSurvey {
public:
    explicit SongSurvey(const std::vector<std::uint8_t>& bytes);

    // Every (bank, program) a channel asks for, drum channels as bank 128, each once, sorted:
    // the defaults a channel plays before its first program change (program 0 of bank 0, or of
    // the drum bank), then each program change at the bank in force. A channel that system
    // exclusive messages switch between drums and melody asks for both readings.
    const std::vector<BankProgram>& presets() const { return m_presets; }
    // The largest sum, over the notes sounding together (held by the sustain pedal too), of
    // each note's amplitude as the synthesizer scales it: (velocity/127)^2 x (volume/127)^2 x
    // (expression/127)^2. 0 for a song without notes.
    double heaviestMoment() const { return m_heaviest; }

private:
    std::vector<BankProgram> m_presets;
    double m_heaviest = 0.0;
};

} // namespace tonvex
