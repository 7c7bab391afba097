#pragma once

#include <string>
#include <vector>

namespace tonvex::win32 {

// The files named on a command line as GetCommandLineW gives it (the program's own name
// first), as absolute UTF-8 paths in order; empty arguments are left out.
std::vector<std::string> commandLineFiles(const wchar_t* commandLine);

} // namespace tonvex::win32
