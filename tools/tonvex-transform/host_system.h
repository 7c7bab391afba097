#pragma once

#include <cstdio>
#include <string>

namespace tonvex::cli {

// The processors this process may run on, as nproc counts them; at least 1.
unsigned processorCount();

// Whether `stream` (stdout or stderr) is a terminal or console window; false when it is
// redirected to a file, a pipe or a device such as NUL.
bool isTerminal(std::FILE* stream);

// Makes standard output and error carry the program's UTF-8 bytes unchanged, as on POSIX
// (no CR added before LF, no code page conversion), and a console show them as UTF-8. The
// console's own code page comes back by restoreConsole(), which the program's end calls.
// Nothing to do on POSIX.
void useUtf8Output();
void restoreConsole();

// Why the file `path` (UTF-8) cannot be opened for reading, in the system's words; empty
// when it can.
std::string openFailure(const std::string& path);

// Forgets this thread's last file error, so that fileError() tells of later calls only.
void clearFileError();

// The system's words for this thread's last failed file call since clearFileError(); empty
// when none failed.
std::string fileError();

} // namespace tonvex::cli
