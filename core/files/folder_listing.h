#pragma once

#include <string>
#include <vector>

namespace tonvex {

// What a folder entry is, for walking a tree without following links: a link (or, on
// Windows, any reparse point such as a junction) to a folder is Other, a link to a regular
// file is File.
enum class EntryKind { File, Folder, Other };

struct FolderEntry {
    std::string path; // the folder's path joined with the entry's name
    EntryKind kind = EntryKind::Other;
};

// Appends the entries of `folder` (in no particular order, without "." and "..") to
// `entries`; false when the folder cannot be listed to its end, the entries read before the
// failure being kept.
bool listFolder(const std::string& folder, std::vector<FolderEntry>& entries);

// Whether `path` names a folder, links followed; false on any error.
bool isFolder(const std::string& path);

// A form of `path` under which two spellings of the same file compare equal, without
// asking the file system about links: "." and ".." resolved, separators unified and, on
// Windows, letter case folded. For comparisons only.
std::string comparablePath(const std::string& path);

} // namespace tonvex
