#include "folder_listing.h"

#include <windows.h>

#include <memory>

#include "file_path.h"
#include "win32_path.h"

namespace tonvex {

namespace {

constexpr std::wstring_view kEverything = L"\\*";

struct FindCloser {
    void operator()(HANDLE find) const { ::FindClose(find); }
};
using FindHandle = std::unique_ptr<void, FindCloser>;

bool isDotEntry(const wchar_t* name)
{
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

// Junctions and symbolic links name another place; other reparse points (cloud placeholders,
// deduplicated files) are the files and folders themselves. A tag the listing leaves out
// (Wine's, for a POSIX link) counts as a link.
bool isLink(const WIN32_FIND_DATAW& data)
{
    const DWORD tag = data.dwReserved0;
    return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && (tag == 0 || IsReparseTagNameSurrogate(tag));
}

EntryKind kindOf(const WIN32_FIND_DATAW& data)
{
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return isLink(data) ? EntryKind::Other : EntryKind::Folder;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) != 0)
        return EntryKind::Other;
    return EntryKind::File; // a link to a file is opened through to the file
}

} // namespace

bool listFolder(const std::string& folder, std::vector<FolderEntry>& entries)
{
    std::wstring pattern = win32Path(folder);
    if (pattern.empty())
        return false;
    while (!pattern.empty() && pattern.back() == L'\\')
        pattern.pop_back();
    pattern += kEverything;
    WIN32_FIND_DATAW data;
    FindHandle find(::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                       FIND_FIRST_EX_LARGE_FETCH));
    if (find.get() == INVALID_HANDLE_VALUE) {
        find.release();
        return ::GetLastError() == ERROR_FILE_NOT_FOUND; // an empty drive root
    }
    do {
        if (!isDotEntry(data.cFileName))
            entries.push_back({joinPath(folder, utf8FromWide(data.cFileName)), kindOf(data)});
    } while (::FindNextFileW(find.get(), &data));
    return ::GetLastError() == ERROR_NO_MORE_FILES;
}

bool isFolder(const std::string& path)
{
    const std::wstring wide = win32Path(path);
    if (wide.empty())
        return false;
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string comparablePath(const std::string& path)
{
    const std::wstring wide = win32Path(path);
    if (wide.empty())
        return path;
    // File names on Windows compare without letter case, by the system's own upper-casing.
    std::wstring upper(wide.size(), L'\0');
    const int length = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.c_str(), static_cast<int>(wide.size()),
                                       upper.data(), static_cast<int>(upper.size()), nullptr, nullptr, 0);
    return utf8FromWide(length > 0 ? std::wstring_view(upper).substr(0, static_cast<std::size_t>(length)) : wide);
}

} // namespace tonvex
