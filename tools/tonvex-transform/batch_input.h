#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <vector>

namespace tonvex::cli {

// One entry of a batch: a file to transform, or a folder whose listing failed.
struct BatchInput {
    static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

    std::string path;
    bool unreadableFolder = false;
    // The last earlier input with the same output (Song.mid and Song.midi), which must be
    // written first so that the later input's output is the one left; kNone if there is none.
    std::size_t sameOutputAs = kNone;
};

// The batch for `operands`: a file operand as given, a folder operand (links followed) as the
// files under it whose names hold ".MID" in any case, sorted by path, with sub-folders but not
// links to folders. Files another input's output would replace are left out, so a run never
// reads what it writes.
std::vector<BatchInput> collectInputs(const std::vector<std::string>& operands, const std::string& outSuffix);

} // namespace tonvex::cli
