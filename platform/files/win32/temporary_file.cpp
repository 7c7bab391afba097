#include "temporary_file.h"

#include "native_win32.h"
#include "win32_path.h"

namespace tonvex {

namespace {

// Neither shared nor inherited while it is being written; hidden, since a leading dot does
// not hide a file on Windows.
constexpr DWORD kShareNone = 0;
constexpr DWORD kCreateAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_SEQUENTIAL_SCAN;
// What a file created plainly has: the hidden mark must not pass on to the target.
constexpr DWORD kFinalAttributes = FILE_ATTRIBUTE_ARCHIVE;
constexpr DWORD kReplaceFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

// What a name past the file system's limit gets: Windows says so; Wine, on a POSIX file
// system, reports the file as not found.
bool isNameTooLong(DWORD error)
{
    return error == ERROR_FILENAME_EXCED_RANGE || error == ERROR_INVALID_NAME || error == ERROR_FILE_NOT_FOUND;
}

bool clearHiddenMark(HANDLE file)
{
    FILE_BASIC_INFO info{};
    info.FileAttributes = kFinalAttributes; // zero times: left as they are
    return ::SetFileInformationByHandle(file, FileBasicInfo, &info, sizeof info) != 0;
}

} // namespace

TemporaryFile::Attempt TemporaryFile::createExclusive(const std::string& name)
{
    const std::wstring wide = win32Path(name);
    if (wide.empty()) {
        ::SetLastError(ERROR_INVALID_NAME);
        return Attempt::Failed;
    }
    m_file = FileHandle(toNative(
        ::CreateFileW(wide.c_str(), GENERIC_WRITE, kShareNone, nullptr, CREATE_NEW, kCreateAttributes, nullptr)));
    if (m_file.isOpen())
        return Attempt::Created;
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
        return Attempt::NameTaken;
    return isNameTooLong(error) ? Attempt::NameTooLong : Attempt::Failed;
}

TemporaryFile::~TemporaryFile()
{
    m_file.close();
    if (!m_committed && !m_path.empty()) {
        const std::wstring wide = win32Path(m_path);
        if (!wide.empty())
            ::DeleteFileW(wide.c_str());
    }
}

bool TemporaryFile::commit()
{
    if (!m_file.isOpen())
        return false;
    const std::wstring from = win32Path(m_path);
    const std::wstring to = win32Path(m_target);
    if (from.empty() || to.empty() || !clearHiddenMark(toHandle(m_file.get())))
        return false;
    if (!m_file.close())
        return false;
    // Replaces an existing target at once; msvcrt's rename() would refuse to.
    if (!::MoveFileExW(from.c_str(), to.c_str(), kReplaceFlags))
        return false;
    m_committed = true;
    return true;
}

} // namespace tonvex
