#pragma once

#include <string>

namespace tonvex {

// A fresh random name for a temporary file in the folder of `target`: "." + its file name +
// "." + six random letters, or, when `shortForm` (for a name near the file-name limit),
// ".tonvex." + six random letters. The leading dot hides it on POSIX systems.
std::string temporaryName(const std::string& target, bool shortForm);

} // namespace tonvex
