#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "preset.h"

namespace tonvex::cli {

// What the command line asks for.
struct CommandLine {
    enum class Action { Run, Help, Version, UsageError };

    Action action = Action::UsageError;
    std::string error; // for UsageError: what is wrong, without the program's name
    Preset preset;
    std::vector<std::string> operands; // files and folders in the order given
    unsigned jobs = 0;                 // files at once; 0 for one per processor
    bool includeOutputs = false;       // folders also give files named like a preset's output
};

// Reads the options and operands; never prints or exits. `error` is set for a UsageError.
CommandLine parseCommandLine(int argc, char** argv);

// The --help text.
std::string_view helpText();

} // namespace tonvex::cli
