#include "batch_input.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include "midi_mark.h"
#include "transformation_run.h"

namespace tonvex::cli {

namespace {

namespace fs = std::filesystem;

// A regular file, or a link to one, whose name holds the mark.
bool isMidiFile(const fs::directory_entry& entry)
{
    std::error_code ignored;
    return holdsMidiMark(entry.path().filename().native()) && entry.is_regular_file(ignored);
}

void addFolder(const fs::path& folder, std::vector<BatchInput>& found)
{
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        const fs::directory_entry& entry = *entries;
        std::error_code ignored;
        // The entry's type comes from the listing: only links and unknown types cost a stat.
        if (!entry.is_symlink(ignored) && entry.is_directory(ignored))
            addFolder(entry.path(), found);
        else if (isMidiFile(entry))
            found.push_back({entry.path().native()});
    }
    if (error)
        found.push_back({folder.native(), true});
}

std::string comparable(const std::string& path)
{
    return fs::path(path).lexically_normal().native();
}

} // namespace

std::vector<BatchInput> collectInputs(const std::vector<std::string>& operands, const std::string& outSuffix)
{
    std::vector<BatchInput> all;
    for (const std::string& operand : operands) {
        std::error_code ignored;
        if (!fs::is_directory(operand, ignored)) {
            all.push_back({operand});
            continue;
        }
        const std::size_t first = all.size();
        addFolder(operand, all);
        std::sort(all.begin() + static_cast<std::ptrdiff_t>(first), all.end(),
                  [](const BatchInput& a, const BatchInput& b) { return a.path < b.path; });
    }

    std::vector<std::optional<std::string>> outputs;
    outputs.reserve(all.size());
    std::unordered_set<std::string> written;
    for (const BatchInput& input : all) {
        std::optional<std::string> output;
        if (!input.unreadableFolder) {
            output = outputFileName(input.path, outSuffix);
            if (output)
                written.insert(*output = comparable(*output));
        }
        outputs.push_back(std::move(output));
    }

    std::vector<BatchInput> batch;
    batch.reserve(all.size());
    std::unordered_map<std::string, std::size_t> lastWriter;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (!all[i].unreadableFolder && written.contains(comparable(all[i].path)))
            continue;
        if (outputs[i]) {
            const auto [at, isNew] = lastWriter.try_emplace(*outputs[i], batch.size());
            if (!isNew)
                all[i].sameOutputAs = std::exchange(at->second, batch.size());
        }
        batch.push_back(std::move(all[i]));
    }
    return batch;
}

} // namespace tonvex::cli
