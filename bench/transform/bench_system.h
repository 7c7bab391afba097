#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tonvex::bench {

// What the benchmarks do outside the program, in each platform's own calls.

// A new empty folder under the system's temporary folder, its name starting with `prefix`;
// throws when none can be made.
std::filesystem::path makeTemporaryFolder(const std::string& prefix);

// What any careful copy does: 64 KiB reads and writes, then (with `sync`) forcing the data
// to disk before closing; false on any failure.
bool plainCopy(const std::string& from, const std::string& to, bool sync);

// What a careful script does per file: copies `input` into the new file `temporary`, then
// renames that over `output`, replacing it; false on any failure.
bool copyThroughTemporary(const std::string& input, const std::string& temporary, const std::string& output,
                          std::vector<char>& buffer);

// Runs `program` with `arguments`, its standard output thrown away; true when it exits with 0.
bool runQuietly(const std::string& program, const std::vector<std::string>& arguments);

// The peak memory of one run of `program` with `arguments` in KiB (resident set on POSIX,
// working set on Windows); -1 when it fails.
long peakMemoryKiB(const std::string& program, const std::vector<std::string>& arguments);

} // namespace tonvex::bench
