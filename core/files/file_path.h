#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tonvex {

// How a platform separates the parts of a path: POSIX by '/' alone (where '\' is an
// ordinary letter of a name), Windows by '\' and '/' and a drive's "X:".
enum class PathStyle { Posix, Windows };

#ifdef _WIN32
inline constexpr PathStyle kNativePathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::Posix;
#endif

// Whether `letter` separates a path's parts in `style`.
constexpr bool isPathSeparator(char letter, PathStyle style = kNativePathStyle)
{
    return letter == '/' || (style == PathStyle::Windows && letter == '\\');
}

// Where the file name in `path` starts: just after its last separator, or after a drive's
// "X:" ("C:Song.mid"); 0 when there is neither.
std::size_t fileNameStart(std::string_view path, PathStyle style = kNativePathStyle);

// `name` inside `folder`, joined by the platform's separator unless `folder` already ends
// with one (or is empty, or a bare drive "X:").
std::string joinPath(std::string_view folder, std::string_view name, PathStyle style = kNativePathStyle);

} // namespace tonvex
