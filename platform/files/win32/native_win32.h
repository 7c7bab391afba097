#pragma once

#include <windows.h>

#include "native_handle.h"

namespace tonvex {

// A HANDLE as the core holds it, and back; INVALID_HANDLE_VALUE is kNoHandle.
inline NativeHandle toNative(HANDLE handle)
{
    return reinterpret_cast<NativeHandle>(handle);
}

inline HANDLE toHandle(NativeHandle handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

} // namespace tonvex
