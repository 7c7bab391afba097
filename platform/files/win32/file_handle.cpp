#include "file_handle.h"

#include <utility>

#include "native_win32.h"

namespace tonvex {

bool FileHandle::close()
{
    if (m_handle == kNoHandle)
        return true;
    return ::CloseHandle(toHandle(std::exchange(m_handle, kNoHandle))) != 0;
}

} // namespace tonvex
