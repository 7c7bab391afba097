#pragma once

namespace tonvex::cli {

// The tool's work on its arguments (UTF-8; argv[argc] is null); returns the exit status.
int toolMain(int argc, char** argv);

} // namespace tonvex::cli
