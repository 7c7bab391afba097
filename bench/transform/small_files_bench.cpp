// Files per second of tonvex-transform on a folder of many small files, writing new outputs
// and replacing existing ones, beside a plain loop that copies the same files through a
// temporary file and a rename.
//
// The inputs are the shared MIDI files under 20 KB that the transformation writes (generated
// files when the shared ones are missing), 30 times over. Every pass works on the same inodes,
// so the page cache is warm for all of them; a pass writing new outputs gets a fresh tree of
// hard links to those inputs, so that no pass needs outputs deleted first (deleting thousands
// of files slows the next file creations down on some file systems). The tool at -j1, the tool
// at its default -j and the loop take turns in a rotating order, so a changing machine load or
// file-system state hits all three alike; each figure is the median over the rounds.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_system.h"
#include "file_path.h"
#include "midi_generator.h"
#include "midi_mark.h"
#include "preset.h"
#include "transformation_run.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t kSmallFile = 20 * 1024;
constexpr int kCopies = 30;
constexpr int kRounds = 6; // each runner twice in each turn of the rotation
constexpr int kGeneratedFiles = 127;
constexpr std::size_t kCopyBuffer = 64 * 1024;
constexpr const char* kSuffix = "_Mirror.mid";

class SmallFiles {
public:
    SmallFiles()
    {
        m_root = tonvex::bench::makeTemporaryFolder("tonvex-bench-small-");
        const std::vector<fs::path> originals = acceptedOriginals();
        for (int copy = 0; copy < kCopies; ++copy) {
            const fs::path folder = m_root / "inputs" / std::to_string(copy);
            fs::create_directories(folder);
            for (std::size_t i = 0; i < originals.size(); ++i) {
                const fs::path input = folder / (std::to_string(i) + ".mid");
                fs::copy_file(originals[i], input);
                m_inputs.push_back(input);
            }
        }
    }
    ~SmallFiles()
    {
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }

    std::size_t count() const { return m_inputs.size(); }

    // A new folder of hard links to the inputs, in which no output exists yet; the inputs'
    // paths inside it.
    std::vector<std::string> freshTree(const std::string& name) const
    {
        std::vector<std::string> paths;
        for (const fs::path& input : m_inputs) {
            const fs::path link = m_root / name / input.lexically_relative(m_root / "inputs");
            fs::create_directories(link.parent_path());
            fs::create_hard_link(input, link);
            paths.push_back(link.string());
        }
        return paths;
    }

    std::string folder(const std::string& name) const { return (m_root / name).string(); }

private:
    // The shared files under 20 KB that the transformation writes, or generated ones.
    std::vector<fs::path> acceptedOriginals()
    {
        const fs::path trial = m_root / "trial";
        fs::create_directories(trial);
        std::vector<fs::path> accepted;
        std::error_code error;
        tonvex::Preset preset;
        tonvex::selectPreset(tonvex::PresetId::Mirror, preset);
        for (fs::recursive_directory_iterator it(TONVEX_TESTDATA_DIR, error), end; !error && it != end; it.increment(error)) {
            if (!it->is_regular_file() || it->file_size() >= kSmallFile || !tonvex::holdsMidiMark(it->path().filename().string()))
                continue;
            const fs::path copy = trial / (std::to_string(accepted.size()) + ".mid");
            fs::copy_file(it->path(), copy, fs::copy_options::overwrite_existing);
            if (tonvex::MIRROR(copy.string(), preset, {}).status == tonvex::RunStatus::Written)
                accepted.push_back(it->path());
        }
        if (accepted.empty()) {
            for (int i = 0; i < kGeneratedFiles; ++i) {
                const fs::path file = trial / ("generated" + std::to_string(i) + ".mid");
                if (!tonvex::bench::writeDenseMidiFile(file.string(), 1024 + (i * 997) % (kSmallFile - 2048)))
                    throw std::runtime_error("cannot write the benchmark inputs");
                accepted.push_back(file);
            }
        }
        return accepted;
    }

    fs::path m_root;
    std::vector<fs::path> m_inputs;
};

// What a careful script does per file: read it, write it to a new hidden file beside the
// output and rename that over the output.
bool copyLoop(const std::vector<std::string>& inputs)
{
    std::vector<char> buffer(kCopyBuffer);
    bool ok = true;
    std::size_t serial = 0;
    for (const std::string& input : inputs) {
        const std::string output = input.substr(0, input.size() - 4) + kSuffix;
        const std::size_t nameStart = tonvex::fileNameStart(output);
        const std::string temporary =
            output.substr(0, nameStart) + "." + output.substr(nameStart) + "." + std::to_string(++serial);
        ok = ok && tonvex::bench::copyThroughTemporary(input, temporary, output, buffer);
    }
    return ok;
}

// Runs the tool on `folder` with its report thrown away; true when it wrote every file.
bool runTool(const std::string& folder, const char* jobs)
{
    std::vector<std::string> arguments;
    if (jobs != nullptr)
        arguments.push_back(jobs);
    arguments.insert(arguments.end(), {"Mirror", folder});
    return tonvex::bench::runQuietly(TONVEX_TRANSFORM_TOOL, arguments);
}

double seconds(const std::function<bool()>& pass, benchmark::State& state)
{
    const auto start = std::chrono::steady_clock::now();
    if (!pass())
        state.SkipWithError("a pass failed");
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

enum Runner { kToolOneJob, kToolDefaultJobs, kLoop, kRunners };
constexpr std::array<const char*, kRunners> kRunnerNames{"tool_j1", "tool_jdefault", "copy_loop"};

// Times the three runners, `kRounds` times each in rotating order; `replacing` runs them on
// one tree whose outputs exist, otherwise each pass gets a fresh tree.
std::array<double, kRunners> medianSeconds(const SmallFiles& files, bool replacing, benchmark::State& state)
{
    std::vector<std::string> inputs;
    if (replacing && !copyLoop(inputs = files.freshTree("replace")))
        state.SkipWithError("cannot write the outputs to replace");
    std::array<std::vector<double>, kRunners> times;
    for (int round = 0; round < kRounds; ++round) {
        for (int turn = 0; turn < kRunners; ++turn) {
            const auto runner = static_cast<Runner>((round + turn) % kRunners);
            const std::string name = replacing ? "replace" : "new" + std::to_string(round * kRunners + turn);
            if (!replacing)
                inputs = files.freshTree(name);
            const std::string folder = files.folder(name);
            times[runner].push_back(seconds(
                [&] {
                    switch (runner) {
                    case kToolOneJob: return runTool(folder, "-j1");
                    case kToolDefaultJobs: return runTool(folder, nullptr);
                    default: return copyLoop(inputs);
                    }
                },
                state));
        }
    }
    std::array<double, kRunners> medians{};
    for (int runner = 0; runner < kRunners; ++runner)
        medians[runner] = median(times[runner]);
    return medians;
}

// Counters: files per second of each runner, new and replacing, and each tool time over the
// loop's time (the target is 0.8 or less).
void BM_ManySmallFiles(benchmark::State& state)
{
    const SmallFiles files;
    for (auto _ : state) {
        for (const bool replacing : {false, true}) {
            const std::array<double, kRunners> times = medianSeconds(files, replacing, state);
            const std::string mode = replacing ? "_replace" : "_new";
            for (int runner = 0; runner < kRunners; ++runner)
                state.counters[kRunnerNames[runner] + mode + "_fps"] = static_cast<double>(files.count()) / times[runner];
            state.counters["ratio_j1" + mode] = times[kToolOneJob] / times[kLoop];
            state.counters["ratio_jdefault" + mode] = times[kToolDefaultJobs] / times[kLoop];
        }
    }
    state.counters["files"] = static_cast<double>(files.count());
}
BENCHMARK(BM_ManySmallFiles)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace
