#include "file_byte_sink.h"

#include <algorithm>
#include <limits>

#include "native_win32.h"

namespace tonvex {

bool FileByteSink::writeAll(const std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, std::numeric_limits<DWORD>::max()));
        DWORD put = 0;
        if (!::WriteFile(toHandle(m_handle), data, chunk, &put, nullptr) || put == 0)
            return false; // ERROR_DISK_FULL, ERROR_HANDLE_EOF, ...
        data += put;
        size -= put;
    }
    return true;
}

} // namespace tonvex
