#include "batch_input.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "file_path.h"
#include "folder_listing.h"
#include "midi_mark.h"
#include "transformation_run.h"

namespace tonvex::cli {

namespace {

// A regular file, or a link to one, whose name holds the mark.
bool isMidiFile(const FolderEntry& entry)
{
    return entry.kind == EntryKind::File &&
           holdsMidiMark(std::string_view(entry.path).substr(fileNameStart(entry.path)));
}

void addFolder(const std::string& folder, std::vector<BatchInput>& found)
{
    std::vector<FolderEntry> entries;
    const bool listed = listFolder(folder, entries);
    for (FolderEntry& entry : entries) {
        if (entry.kind == EntryKind::Folder)
            addFolder(entry.path, found);
        else if (isMidiFile(entry))
            found.push_back({std::move(entry.path)});
    }
    if (!listed)
        found.push_back({folder, true});
}

std::string comparable(const std::string& path)
{
    return comparablePath(path);
}

} // namespace

std::vector<BatchInput> collectInputs(const std::vector<std::string>& operands, const std::string& outSuffix)
{
    std::vector<BatchInput> all;
    for (const std::string& operand : operands) {
        if (!isFolder(operand)) {
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
