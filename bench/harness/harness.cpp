#include "benchmark/benchmark.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <regex>
#include <string_view>

namespace benchmark {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::int64_t kMaxIterations = 1'000'000'000;
// Each try grows the iterations by what the last one predicts, with a margin, but at most
// tenfold (as Google Benchmark does).
constexpr double kGrowthMargin = 1.4;
constexpr double kMaxGrowth = 10;
constexpr std::string_view kFilterOption = "--benchmark_filter=";

std::vector<std::unique_ptr<Benchmark>>& registry()
{
    static std::vector<std::unique_ptr<Benchmark>> benchmarks;
    return benchmarks;
}

std::int64_t nowTicks()
{
    return Clock::now().time_since_epoch().count();
}

double toSeconds(std::int64_t ticks)
{
    return std::chrono::duration<double>(Clock::duration(ticks)).count();
}

struct UnitName {
    double perSecond;
    const char* name;
};

UnitName unitName(TimeUnit unit)
{
    switch (unit) {
    case kSecond: return {1, "s"};
    case kMillisecond: return {1e3, "ms"};
    case kMicrosecond: return {1e6, "us"};
    case kNanosecond: break;
    }
    return {1e9, "ns"};
}

} // namespace

State::State(std::int64_t iterations, std::vector<std::int64_t> ranges)
    : m_iterations(iterations), m_ranges(std::move(ranges))
{
}

State::Iterator State::begin()
{
    m_startTicks = nowTicks();
    return Iterator(this);
}

bool State::Iterator::operator!=(const Iterator&)
{
    if (m_done < m_state->m_iterations && m_state->m_error.empty())
        return true;
    m_state->finish();
    return false;
}

void State::finish()
{
    m_seconds = toSeconds(nowTicks() - m_startTicks);
}

void State::SkipWithError(const char* message)
{
    if (m_error.empty())
        m_error = message;
}

Benchmark* Benchmark::Arg(std::int64_t value)
{
    m_args.push_back(value);
    return this;
}

Benchmark* Benchmark::Unit(TimeUnit unit)
{
    m_unit = unit;
    return this;
}

Benchmark* Benchmark::MinTime(double seconds)
{
    m_minTime = seconds;
    return this;
}

Benchmark* Benchmark::Iterations(std::int64_t iterations)
{
    m_iterations = iterations;
    return this;
}

void Benchmark::run(const std::string& filter) const
{
    const std::regex pattern(filter.empty() ? "." : filter);
    if (m_args.empty()) {
        if (std::regex_search(m_name, pattern))
            runCase(m_name, {});
        return;
    }
    for (const std::int64_t arg : m_args) {
        const std::string name = m_name + "/" + std::to_string(arg);
        if (std::regex_search(name, pattern))
            runCase(name, {arg});
    }
}

void Benchmark::runCase(const std::string& name, const std::vector<std::int64_t>& ranges) const
{
    std::int64_t iterations = m_iterations > 0 ? m_iterations : 1;
    for (;;) {
        State state(iterations, ranges);
        m_function(state);
        const bool enough = m_iterations > 0 || state.seconds() >= m_minTime || iterations >= kMaxIterations ||
                            !state.error().empty();
        if (!enough) {
            const double predicted = state.seconds() > 0 ? m_minTime / state.seconds() * kGrowthMargin : kMaxGrowth;
            iterations = std::min(kMaxIterations, static_cast<std::int64_t>(static_cast<double>(iterations) *
                                                                            std::clamp(predicted, 1.0, kMaxGrowth)) + 1);
            continue;
        }
        if (!state.error().empty()) {
            std::printf("%-32s ERROR OCCURRED: '%s'\n", name.c_str(), state.error().c_str());
            return;
        }
        const UnitName unit = unitName(m_unit);
        std::printf("%-32s %12.3f %-2s %10lld", name.c_str(), state.seconds() / static_cast<double>(iterations) * unit.perSecond,
                    unit.name, static_cast<long long>(iterations));
        if (state.bytes() > 0)
            std::printf(" bytes_per_second=%.4gM/s", static_cast<double>(state.bytes()) / state.seconds() / (1024 * 1024));
        for (const auto& [counter, value] : state.counters)
            std::printf(" %s=%.4g", counter.c_str(), value.value);
        if (!state.label().empty())
            std::printf(" %s", state.label().c_str());
        std::printf("\n");
        std::fflush(stdout);
        return;
    }
}

Benchmark* RegisterBenchmark(const char* name, Function function)
{
    registry().push_back(std::make_unique<Benchmark>(name, function));
    return registry().back().get();
}

int RunMain(int argc, char** argv)
{
    std::string filter;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument.starts_with(kFilterOption)) {
            filter = argument.substr(kFilterOption.size());
        } else {
            std::fprintf(stderr, "unknown argument '%s'; only --benchmark_filter=REGEX is taken\n", argv[i]);
            return 2;
        }
    }
    std::printf("%-32s %15s %10s\n", "Benchmark", "Time", "Iterations");
    for (const auto& benchmark : registry())
        benchmark->run(filter);
    return 0;
}

} // namespace benchmark
