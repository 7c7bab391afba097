#include "batch_input.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "file_path.h"
#include "folder_listing.h"
#include "preset.h"
#include "transformation_run.h"

namespace tonvex::cli {

namespace {

constexpr std::string_view kFolderEndings[] = {".mid", ".midi"};

bool endsWithIgnoringCase(std::string_view name, std::string_view ending)
{
    if (name.size() < ending.size())
        return false;
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    const std::string_view tail = name.substr(name.size() - ending.size());
    return std::equal(tail.begin(), tail.end(), ending.begin(), ending.end(),
                      [&lower](char a, char b) { return lower(a) == lower(b); });
}

bool takenFromFolder(std::string_view name, bool includeOutputs)
{
    const auto endsWith = [name](std::string_view ending) { return endsWithIgnoringCase(name, ending); };
    if (std::none_of(std::begin(kFolderEndings), std::end(kFolderEndings), endsWith))
        return false;
    return includeOutputs ||
           std::none_of(kPresets.begin(), kPresets.end(), [&](const PresetInfo& info) { return endsWith(info.suffix); });
}

// A regular file, or a link to one, with a name a folder run takes.
bool isMidiFile(const FolderEntry& entry, bool includeOutputs)
{
    return entry.kind == EntryKind::File &&
           takenFromFolder(std::string_view(entry.path).substr(fileNameStart(entry.path)), includeOutputs);
}

void addFolder(const std::string& folder, bool includeOutputs, std::vector<BatchInput>& found)
{
    std::vector<FolderEntry> entries;
    const bool listed = listFolder(folder, entries);
    for (FolderEntry& entry : entries) {
        if (entry.kind == EntryKind::Folder)
            addFolder(entry.path, includeOutputs, found);
        else if (isMidiFile(entry, includeOutputs))
            found.push_back({std::move(entry.path), BatchInput::Refusal::None, {}});
    }
    if (!listed)
        found.push_back({folder, BatchInput::Refusal::UnreadableFolder, {}});
}

// Refuses every input whose output an earlier one writes, then every input another writes.
// Paths compare as the file system tells files apart (on Windows, without letter case).
void refuseClashes(std::vector<BatchInput>& batch, const std::string& outSuffix)
{
    std::unordered_map<std::string, std::size_t> writerOf;
    for (std::size_t i = 0; i < batch.size(); ++i) {
        if (batch[i].refusal != BatchInput::Refusal::None)
            continue;
        const std::optional<std::string> output = outputFileName(batch[i].path, outSuffix);
        if (!output)
            continue;
        const auto [writer, isNew] = writerOf.try_emplace(comparablePath(*output), i);
        if (!isNew) {
            batch[i].refusal = BatchInput::Refusal::SameOutput;
            batch[i].detail = batch[writer->second].path;
        }
    }
    for (BatchInput& input : batch) {
        if (input.refusal != BatchInput::Refusal::None)
            continue;
        const auto writer = writerOf.find(comparablePath(input.path));
        if (writer != writerOf.end()) {
            input.refusal = BatchInput::Refusal::OutputOfAnother;
            input.detail = batch[writer->second].path;
        }
    }
}

} // namespace

std::vector<BatchInput> collectInputs(const std::vector<std::string>& operands, const std::string& outSuffix,
                                      bool includeOutputs)
{
    std::vector<BatchInput> batch;
    for (const std::string& operand : operands) {
        if (!isFolder(operand)) {
            batch.push_back({operand, BatchInput::Refusal::None, {}});
            continue;
        }
        const std::size_t first = batch.size();
        addFolder(operand, includeOutputs, batch);
        std::sort(batch.begin() + static_cast<std::ptrdiff_t>(first), batch.end(),
                  [](const BatchInput& a, const BatchInput& b) { return a.path < b.path; });
    }
    refuseClashes(batch, outSuffix);
    return batch;
}

} // namespace tonvex::cli
