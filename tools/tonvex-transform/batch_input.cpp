#include "batch_input.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>
#include <unordered_map>

#include "preset.h"
#include "transformation_run.h"

namespace tonvex::cli {

namespace {

namespace fs = std::filesystem;

using FileKey = fs::path::string_type;

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
bool isMidiFile(const fs::directory_entry& entry, bool includeOutputs)
{
    std::error_code ignored;
    return takenFromFolder(entry.path().filename().string(), includeOutputs) && entry.is_regular_file(ignored);
}

void addFolder(const fs::path& folder, bool includeOutputs, std::vector<BatchInput>& found)
{
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        const fs::directory_entry& entry = *entries;
        std::error_code ignored;
        // The entry's type comes from the listing: only links and unknown types cost a stat.
        if (!entry.is_symlink(ignored) && entry.is_directory(ignored))
            addFolder(entry.path(), includeOutputs, found);
        else if (isMidiFile(entry, includeOutputs))
            found.push_back({entry.path().string(), BatchInput::Refusal::None, {}});
    }
    if (error)
        found.push_back({folder.string(), BatchInput::Refusal::UnreadableFolder, error.message()});
}

// The name by which the file system tells files apart: absolute and normalised. Windows
// takes names that differ only in letter case for one file; NTFS folds more than ASCII, which
// this does not.
FileKey sameFileKey(const std::string& path, const fs::path& workingFolder)
{
    FileKey key = (workingFolder / fs::path(path)).lexically_normal().native();
#ifdef _WIN32
    for (auto& c : key)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<FileKey::value_type>(c - 'A' + 'a');
#endif
    return key;
}

// Refuses every input whose output an earlier one writes, then every input another writes.
void refuseClashes(std::vector<BatchInput>& batch, const std::string& outSuffix)
{
    std::error_code ignored;
    const fs::path workingFolder = fs::current_path(ignored);
    std::unordered_map<FileKey, std::size_t> writerOf;
    for (std::size_t i = 0; i < batch.size(); ++i) {
        if (batch[i].refusal != BatchInput::Refusal::None)
            continue;
        const std::optional<std::string> output = outputFileName(batch[i].path, outSuffix);
        if (!output)
            continue;
        const auto [writer, isNew] = writerOf.try_emplace(sameFileKey(*output, workingFolder), i);
        if (!isNew) {
            batch[i].refusal = BatchInput::Refusal::SameOutput;
            batch[i].detail = batch[writer->second].path;
        }
    }
    for (BatchInput& input : batch) {
        if (input.refusal != BatchInput::Refusal::None)
            continue;
        const auto writer = writerOf.find(sameFileKey(input.path, workingFolder));
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
        std::error_code ignored;
        if (!fs::is_directory(operand, ignored)) {
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
