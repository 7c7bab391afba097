#include "command_line.h"

#include <windows.h>
#include <shellapi.h>

#include "wide_text.h"

namespace tonvex::win32 {

std::vector<std::string> commandLineFiles(const wchar_t* commandLine)
{
    std::vector<std::string> files;
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(commandLine, &count);
    if (!arguments)
        return files;
    for (int i = 1; i < count; ++i) {
        const wchar_t* argument = arguments[i];
        if (!argument[0])
            continue;
        const DWORD length = GetFullPathNameW(argument, 0, nullptr, nullptr);
        std::wstring full(length, L'\0');
        const DWORD written = length ? GetFullPathNameW(argument, length, full.data(), nullptr) : 0;
        full.resize(written > 0 && written < length ? written : 0);
        files.push_back(narrow(full.empty() ? std::wstring(argument) : full));
    }
    LocalFree(arguments);
    return files;
}

} // namespace tonvex::win32
