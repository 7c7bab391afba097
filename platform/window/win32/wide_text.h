#pragma once

#include <string>
#include <string_view>

namespace tonvex::win32 {

// UTF-8 inside the program, UTF-16 at every Win32 call.

// Returns the UTF-16 form of `utf8`; malformed bytes become U+FFFD.
std::wstring widen(std::string_view utf8);

// Returns the UTF-8 form of `utf16`; unpaired surrogates become U+FFFD.
std::string narrow(std::wstring_view utf16);

} // namespace tonvex::win32
