#pragma once

#include <cstdint>

namespace tonvex {

// An open file as the platform names it: a POSIX file descriptor, or a Win32 HANDLE held as
// an integer so that no Windows header leaks into the core. kNoHandle is -1 on both (the
// value of INVALID_HANDLE_VALUE).
#ifdef _WIN32
using NativeHandle = std::intptr_t;
#else
using NativeHandle = int;
#endif
inline constexpr NativeHandle kNoHandle = -1;

} // namespace tonvex
