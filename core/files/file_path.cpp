#include "file_path.h"

namespace tonvex {

namespace {

constexpr char kDriveMark = ':';
constexpr std::size_t kDriveLength = 2; // "C:"

bool isAsciiLetter(char letter)
{
    return (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
}

bool isBareDrive(std::string_view path, PathStyle style)
{
    return style == PathStyle::Windows && path.size() == kDriveLength && isAsciiLetter(path[0]) &&
           path[1] == kDriveMark;
}

} // namespace

std::size_t fileNameStart(std::string_view path, PathStyle style)
{
    for (std::size_t i = path.size(); i > 0; --i) {
        if (isPathSeparator(path[i - 1], style))
            return i;
    }
    if (path.size() >= kDriveLength && isBareDrive(path.substr(0, kDriveLength), style))
        return kDriveLength;
    return 0;
}

std::string joinPath(std::string_view folder, std::string_view name, PathStyle style)
{
    std::string path(folder);
    if (!folder.empty() && !isPathSeparator(folder.back(), style) && !isBareDrive(folder, style))
        path += style == PathStyle::Windows ? '\\' : '/';
    path += name;
    return path;
}

} // namespace tonvex
