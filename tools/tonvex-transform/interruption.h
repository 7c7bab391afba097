#pragma once

#include <atomic>

namespace tonvex::cli {

// Turns SIGINT, SIGTERM, SIGHUP and SIGPIPE into a flag, so that a batch stops cleanly: the
// files being written are cancelled, which removes their temporary files, before the program
// ends by the same signal.
void catchInterruptions();

// The signal that arrived first; 0 while none has.
const std::atomic<int>& interruption();

// Ends the program by `signal`, as if it had not been caught.
[[noreturn]] void endBySignal(int signal);

} // namespace tonvex::cli
