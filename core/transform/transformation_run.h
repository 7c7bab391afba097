#pragma once

#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include "preset.h"
#include "run_status.h"
#include "run_workspace.h"

namespace tonvex {

struct RunResult {
    RunStatus status = RunStatus::CannotRead;
    std::string outFileName; // set only when status is Written
    std::string detail{};    // what was wrong, for a refusal ("meta type 0x80 at byte 1234"); may be empty
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

namespace detail {
template <class Hook>
RunResult mirror(const std::string& inFileName, const Preset& preset, Hook& yield, RunWorkspace& workspace);
} // namespace detail

// MIRROR with a hook the compiler can inline; it is copied first, as a YieldHook would be.
// Not an overload of MIRROR, so that MIRROR still names one function that can be passed on.
template <InlineYieldHook Hook>
RunResult MIRRORInline(const std::string& inFileName, const Preset& preset, Hook&& yield)
{
    std::decay_t<Hook> hook(std::forward<Hook>(yield));
    RunWorkspace workspace;
    return detail::mirror(inFileName, preset, hook, workspace);
}

// MIRRORInline with the buffers and note table of `workspace`, which no other run may use at
// the same time: for many runs in a row on one thread.
template <InlineYieldHook Hook>
RunResult MIRRORInline(const std::string& inFileName, const Preset& preset, Hook&& yield, RunWorkspace& workspace)
{
    std::decay_t<Hook> hook(std::forward<Hook>(yield));
    return detail::mirror(inFileName, preset, hook, workspace);
}

} // namespace tonvex

#include "transformation_run_impl.h"
