#pragma once

#include <memory>
#include <string>

#include "engine.h"

namespace tonvex {

class SmfSong;

// The window's shared members: paths, transport position and tempo, and the song's timing.
struct MainState {
    std::string InFileName;      // file the loader reads next and the transformation reads
    std::string OutFileName;     // output of the last transformation; empty until one succeeds
    std::string DroppedFileName; // the last accepted drop, as the input box shows it
    bool EngineReady = false;    // set by the first load and never cleared
    MusicTime PlayPosition = 0;
    double TempoMicros = 0.0;    // microseconds per quarter note, from the file's first tempo
    double BeatsPerMinute = 0.0; // quarter notes per minute, for a clock without Song
    // The loaded file's tempo map, by which the clock counts; empty when the file could not be
    // read as a song.
    std::shared_ptr<const SmfSong> Song;
};

} // namespace tonvex
