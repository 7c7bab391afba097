#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <fluidsynth.h>

#include "sound_font_index.h"

namespace tonvex {

// SoundFonts that exist only in memory: the head of a real SoundFont file (its information and
// sample data, read from the file itself when asked for) followed by tables of our own.
// FluidSynth reads them, by name, through the loader made here.
class SubsetSoundFonts {
public:
    // A SoundFont loader for a synthesizer that opens the names published here and leaves
    // every other name to the synthesizer's other loaders; nullptr when FluidSynth refuses one.
    static fluid_sfloader_t* newLoader(fluid_settings_t* settings);
    // Publishes the head of the index's file followed by `tables` (a "LIST pdta" chunk) under
    // `name`, in place of what was published there. Files already open keep what they opened.
    static void publish(const std::string& name, const SoundFontIndex& index, std::vector<std::uint8_t> tables);
    // Takes the name back; files already open stay readable.
    static void withdraw(const std::string& name);
};

} // namespace tonvex
