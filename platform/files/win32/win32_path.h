#pragma once

#include <string>
#include <string_view>

namespace tonvex {

// Paths are UTF-8 inside the program and UTF-16 at every Win32 call. The conversions are
// lossless both ways for every name Windows can hold, unpaired surrogates included (they
// travel as their generalized UTF-8 form, so such a file found in a folder can be opened).

// `text` as UTF-16; empty, with `ok` false, when it is not well-formed UTF-8.
std::wstring wideFromUtf8(std::string_view text, bool& ok);

// `text` as UTF-8.
std::string utf8FromWide(std::wstring_view text);

// The extended-length form of an absolute path ("C:\a" -> "\\?\C:\a", "\\server\share\a" ->
// "\\?\UNC\server\share\a"), which the wide file functions take beyond 260 letters; paths
// already in that form, or naming a device ("\\.\"), come back unchanged.
std::wstring extendedLengthPath(std::wstring_view fullPath);

// The path to give a wide Win32 file function for `path` (UTF-8, relative or absolute, '\'
// or '/'): made absolute against the current folder, "." and ".." resolved, in the
// extended-length form; empty when `path` is empty, not UTF-8 or cannot be resolved.
std::wstring win32Path(const std::string& path);

} // namespace tonvex
