// Throughput of the transformation disk to disk beside a plain buffered copy of the same
// file, and the peak resident memory of tonvex-transform for a small and a large input.
//
// The inputs are generated once into a temporary folder removed at exit.

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_system.h"
#include "byte_sink.h"
#include "file_byte_source.h"
#include "midi_generator.h"
#include "preset.h"
#include "stream_run.h"
#include "transformation_run.h"

namespace {

constexpr std::size_t kMiB = 1024 * 1024;

using tonvex::bench::plainCopy;

class Inputs {
public:
    Inputs()
    {
        m_dir = tonvex::bench::makeTemporaryFolder("tonvex-bench-");
        if (!tonvex::bench::writeDenseMidiFile(small(), 1 * kMiB) || !tonvex::bench::writeDenseMidiFile(large(), 64 * kMiB))
            throw std::runtime_error("cannot write the benchmark inputs");
    }
    ~Inputs()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    std::string small() const { return (m_dir / "small.mid").string(); }
    std::string large() const { return (m_dir / "large.mid").string(); }
    std::string file(const char* name) const { return (m_dir / name).string(); }

private:
    std::filesystem::path m_dir;
};

const Inputs& inputs()
{
    static const Inputs instance;
    return instance;
}

std::int64_t fileSize(const std::string& path)
{
    return static_cast<std::int64_t>(std::filesystem::file_size(path));
}

void BM_PlainCopy(benchmark::State& state)
{
    const bool sync = state.range(0) != 0;
    const std::string from = inputs().large();
    const std::string to = inputs().file("copy.mid");
    for (auto _ : state) {
        if (!plainCopy(from, to, sync))
            state.SkipWithError("copy failed");
    }
    state.SetBytesProcessed(state.iterations() * fileSize(from));
    state.SetLabel(sync ? "with fsync" : "no fsync");
}
BENCHMARK(BM_PlainCopy)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_Mirror(benchmark::State& state)
{
    tonvex::Preset preset;
    tonvex::selectPreset(tonvex::PresetId::Mirror, preset);
    const std::string from = inputs().large();
    std::int64_t events = 0;
    const tonvex::YieldHook yield = [&events] {
        benchmark::DoNotOptimize(++events);
        return true;
    };
    for (auto _ : state) {
        if (tonvex::MIRROR(from, preset, yield).status != tonvex::RunStatus::Written)
            state.SkipWithError("MIRROR failed");
    }
    state.SetBytesProcessed(state.iterations() * fileSize(from));
    state.counters["events"] = benchmark::Counter(static_cast<double>(events) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_Mirror)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// The plain copy without and with fsync and MIRROR in turn on the same file, so that a
// changing machine load hits them alike. "ratio" is MIRROR's throughput over the plain copy
// without fsync (the target is 0.5 or more); "ratio_fsync" is over the copy with fsync.
void BM_MirrorOverPlainCopy(benchmark::State& state)
{
    tonvex::Preset preset;
    tonvex::selectPreset(tonvex::PresetId::Mirror, preset);
    const std::string from = inputs().large();
    const std::string to = inputs().file("copy.mid");
    std::int64_t events = 0;
    // Passed as it is, not as a YieldHook, so that the compiler can inline it.
    const auto yield = [&events] {
        benchmark::DoNotOptimize(++events);
        return true;
    };
    double copySeconds = 0;
    double syncedCopySeconds = 0;
    double mirrorSeconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const bool copied = plainCopy(from, to, false);
        const auto copyEnd = std::chrono::steady_clock::now();
        const bool syncedCopied = plainCopy(from, to, true);
        const auto syncedCopyEnd = std::chrono::steady_clock::now();
        const bool mirrored = tonvex::MIRRORInline(from, preset, yield).status == tonvex::RunStatus::Written;
        const auto end = std::chrono::steady_clock::now();
        if (!copied || !syncedCopied || !mirrored)
            state.SkipWithError("run failed");
        copySeconds += std::chrono::duration<double>(copyEnd - start).count();
        syncedCopySeconds += std::chrono::duration<double>(syncedCopyEnd - copyEnd).count();
        mirrorSeconds += std::chrono::duration<double>(end - syncedCopyEnd).count();
    }
    const double megabytes = static_cast<double>(fileSize(from)) * static_cast<double>(state.iterations()) / 1e6;
    state.counters["copy_MBps"] = megabytes / copySeconds;
    state.counters["copy_fsync_MBps"] = megabytes / syncedCopySeconds;
    state.counters["mirror_MBps"] = megabytes / mirrorSeconds;
    state.counters["ratio"] = copySeconds / mirrorSeconds;
    state.counters["ratio_fsync"] = syncedCopySeconds / mirrorSeconds;
}
BENCHMARK(BM_MirrorOverPlainCopy)->Iterations(10)->Unit(benchmark::kMillisecond)->UseRealTime();

// Takes the output and drops it.
class DiscardingSink final : public tonvex::ByteSink {
public:
    DiscardingSink() { setBuffer(m_buffer.data(), m_buffer.size()); }

private:
    bool write(const std::uint8_t*, std::size_t) override { return true; }
    std::array<std::uint8_t, 64 * 1024> m_buffer{};
};

// The copier alone, reading the file and writing nowhere: the transformation's own cost.
void BM_StreamOnly(benchmark::State& state)
{
    tonvex::Preset preset;
    tonvex::selectPreset(tonvex::PresetId::Mirror, preset);
    const std::string from = inputs().large();
    for (auto _ : state) {
        tonvex::FileByteSource in(from);
        DiscardingSink out;
        if (tonvex::transformStream(in, out, preset, [] { return true; }) != tonvex::RunStatus::Written)
            state.SkipWithError("transformStream failed");
    }
    state.SetBytesProcessed(state.iterations() * fileSize(from));
}
BENCHMARK(BM_StreamOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

// Peak memory of one tonvex-transform run on `input`, in KiB; -1 on failure.
long peakRssKiB(const std::string& input)
{
    return tonvex::bench::peakMemoryKiB(TONVEX_TRANSFORM_TOOL, {"Mirror", input});
}

void BM_PeakMemory(benchmark::State& state)
{
    long small = 0;
    long large = 0;
    for (auto _ : state) {
        small = peakRssKiB(inputs().small());
        large = peakRssKiB(inputs().large());
        if (small < 0 || large < 0)
            state.SkipWithError("tonvex-transform failed");
    }
    state.counters["rss_1MB_KiB"] = static_cast<double>(small);
    state.counters["rss_64MB_KiB"] = static_cast<double>(large);
    state.counters["growth_KiB"] = static_cast<double>(large - small);
}
BENCHMARK(BM_PeakMemory)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
