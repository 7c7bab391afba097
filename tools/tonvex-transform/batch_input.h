#pragma once

#include <string>
#include <vector>

namespace tonvex::cli {

// One entry of a batch: a file to transform, or an entry refused before anything is read.
struct BatchInput {
    enum class Refusal {
        None,
        UnreadableFolder, // a folder that could not be listed; detail is the system's reason
        SameOutput,       // an earlier input writes the same output; detail is its path
        OutputOfAnother,  // another input writes this file; detail is that input's path
    };

    std::string path;
    Refusal refusal = Refusal::None;
    std::string detail;
};

// The batch for `operands`. A file operand is taken as given. A folder operand stands for
// the files under it, sub-folders included but not links to folders, whose names end in
// ".mid" or ".midi" in any case, sorted by path; names ending in a preset's suffix are left
// out unless `includeOutputs`, so presets can be run one after another over one folder.
// An input whose output an earlier input writes, and an input that another input writes,
// are refused, so a run neither overwrites its own outputs nor reads what it writes.
std::vector<BatchInput> collectInputs(const std::vector<std::string>& operands, const std::string& outSuffix,
                                      bool includeOutputs);

} // namespace tonvex::cli
