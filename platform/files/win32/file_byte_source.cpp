#include "file_byte_source.h"

#include <algorithm>
#include <limits>

#include "native_win32.h"
#include "win32_path.h"

namespace tonvex {

namespace {

// Others may read, write, rename or delete the file meanwhile, as on POSIX: an input being
// read never stops an output replacing it.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

NativeHandle openForReading(const std::string& path)
{
    const std::wstring wide = win32Path(path);
    if (wide.empty())
        return kNoHandle;
    // A folder cannot be opened without FILE_FLAG_BACKUP_SEMANTICS, so it reads as unopenable.
    return toNative(::CreateFileW(wide.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

} // namespace

FileByteSource::FileByteSource(const std::string& path, std::size_t bufferSize)
    : m_file(openForReading(path)),
      m_storage(std::make_unique_for_overwrite<std::uint8_t[]>(std::max<std::size_t>(bufferSize, 1))),
      m_buffer(m_storage.get(), std::max<std::size_t>(bufferSize, 1))
{
}

FileByteSource::FileByteSource(const std::string& path, std::span<std::uint8_t> buffer)
    : m_file(openForReading(path)), m_buffer(buffer)
{
}

bool FileByteSource::fill()
{
    if (!m_file.isOpen())
        return false;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(m_buffer.size(), std::numeric_limits<DWORD>::max()));
    DWORD got = 0;
    if (!::ReadFile(toHandle(m_file.get()), m_buffer.data(), wanted, &got, nullptr) || got == 0)
        return false; // a read error, or the end of the file
    setWindow(m_buffer.data(), m_buffer.data() + got);
    return true;
}

} // namespace tonvex
