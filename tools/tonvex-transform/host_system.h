#pragma once

#include <cstdio>
#include <string>

namespace tonvex::cli {

// The processors this process may run on, as nproc counts them; at least 1.
unsigned processorCount();

// Whether `stream` (stdout or stderr) is a terminal or console window; false when it is
// redirected to a file, a pipe or a device such as NUL.
bool isTerminal(std::FILE* stream);

// Makes UTF-8 text written to standard output and error show as such on a console (paths
// are UTF-8 inside the program); the console's own setting comes back by restoreConsole(),
// which the program's end calls. Nothing to do on POSIX.
void useUtf8Console();
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
