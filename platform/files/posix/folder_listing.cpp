#include "folder_listing.h"

#include <filesystem>
#include <system_error>

namespace tonvex {

namespace fs = std::filesystem;

bool listFolder(const std::string& folder, std::vector<FolderEntry>& entries)
{
    std::error_code error;
    fs::directory_iterator listing(folder, error);
    for (; !error && listing != fs::directory_iterator(); listing.increment(error)) {
        const fs::directory_entry& entry = *listing;
        std::error_code ignored;
        // The entry's type comes from the listing: only links and unknown types cost a stat.
        EntryKind kind = EntryKind::Other;
        if (!entry.is_symlink(ignored) && entry.is_directory(ignored))
            kind = EntryKind::Folder;
        else if (entry.is_regular_file(ignored))
            kind = EntryKind::File;
        entries.push_back({entry.path().native(), kind});
    }
    return !error;
}

bool isFolder(const std::string& path)
{
    std::error_code ignored;
    return fs::is_directory(path, ignored);
}

std::string comparablePath(const std::string& path)
{
    // Absolute, as on Windows, so that "a.mid" and "/music/a.mid" compare equal in /music.
    std::error_code error;
    const fs::path full = path.empty() ? fs::path() : fs::absolute(path, error);
    return (error ? fs::path(path) : full).lexically_normal().native();
}

} // namespace tonvex
