#pragma once

#include <functional>
#include <optional>
#include <string>

#include "preset.h"

namespace tonvex {

// Called before every MIDI event; returning false cancels the run.
using YieldHook = std::function<bool()>;

enum class RunStatus {
    Written,     // the output is complete at outFileName
    CannotRead,  // input unreadable or malformed, or no output name can be formed
    CannotWrite, // the output could not be created or written
    Cancelled,   // the yield hook asked to stop
};

struct RunResult {
    RunStatus status = RunStatus::CannotRead;
    std::string outFileName; // set only when status is Written
};

// The message the user sees for a run that ended so: "CANNOT READ MIDI FILE!" or
// "CANNOT WRITE MIDI FILE!"; empty for a written or cancelled run.
std::string failureMessage(RunStatus status);

// The output path for an input path: the file name up to its first ".MID" (any case) plus
// the suffix, in the input's folder; nullopt when the file name holds no ".MID".
std::optional<std::string> outputFileName(const std::string& inFileName, const std::string& outSuffix);

// Transforms `inFileName` with `preset` into its output file, written through a temporary
// file that replaces the output only when complete; on any failure or cancel nothing is
// left behind and an existing output is untouched.
RunResult MIRROR(const std::string& inFileName, const Preset& preset, const YieldHook& yield);

} // namespace tonvex
