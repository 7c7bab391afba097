#include "file_handle.h"

#include <unistd.h>

#include <utility>

namespace tonvex {

bool FileHandle::close()
{
    if (m_handle == kNoHandle)
        return true;
    // No retry on EINTR: on Linux the descriptor is released either way.
    return ::close(std::exchange(m_handle, kNoHandle)) == 0;
}

} // namespace tonvex
