#pragma once

#include <functional>
#include <type_traits>

namespace tonvex {

// Called before every MIDI event; returning false cancels the run.
using YieldHook = std::function<bool()>;

// A hook the compiler can inline: anything callable as bool() but a YieldHook or a pointer,
// which may be empty and are taken by the YieldHook overloads.
template <class Hook>
concept InlineYieldHook = std::is_invocable_r_v<bool, std::decay_t<Hook>&> &&
                          !std::is_pointer_v<std::decay_t<Hook>> && !std::is_same_v<std::decay_t<Hook>, YieldHook>;

enum class RunStatus {
    Written,     // the output is complete at outFileName
    CannotRead,  // input unreadable or malformed, or no output name can be formed
    CannotWrite, // the output could not be created or written
    Cancelled,   // the yield hook asked to stop
};

} // namespace tonvex
