#pragma once

// A small stand-in for Google Benchmark, for builds that lack it (mingw-w64 on Debian): the
// part of its interface the benchmarks here use, measuring the same way (real time, enough
// iterations to fill the minimum time) and printing one line per benchmark.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace benchmark {

enum TimeUnit { kNanosecond, kMicrosecond, kMillisecond, kSecond };

struct Counter {
    Counter(double v = 0) : value(v) {}
    operator double() const { return value; }
    double value;
};

// Keeps the compiler from dropping the computation of `value`.
template <class T>
inline void DoNotOptimize(T& value)
{
    asm volatile("" : "+r,m"(value) : : "memory");
}

template <class T>
inline void DoNotOptimize(const T& value)
{
    asm volatile("" : : "r,m"(value) : "memory");
}

class State {
public:
    State(std::int64_t iterations, std::vector<std::int64_t> ranges);

    // `for (auto _ : state)` runs the loop iterations() times, timed from start to end.
    struct __attribute__((unused)) Value {}; // the loop variable, never read
    class Iterator {
    public:
        explicit Iterator(State* state) : m_state(state) {}
        Value operator*() const { return {}; }
        Iterator& operator++()
        {
            ++m_done;
            return *this;
        }
        bool operator!=(const Iterator&);

    private:
        State* m_state;
        std::int64_t m_done = 0;
    };
    Iterator begin();
    Iterator end() { return Iterator(nullptr); }

    std::int64_t range(std::size_t index = 0) const { return m_ranges.at(index); }
    std::int64_t iterations() const { return m_iterations; }
    void SkipWithError(const char* message);
    void SetBytesProcessed(std::int64_t bytes) { m_bytes = bytes; }
    void SetLabel(const std::string& label) { m_label = label; }

    std::map<std::string, Counter> counters;

    // For the runner.
    double seconds() const { return m_seconds; }
    std::int64_t bytes() const { return m_bytes; }
    const std::string& label() const { return m_label; }
    const std::string& error() const { return m_error; }

private:
    friend class Iterator;
    void finish();

    std::int64_t m_iterations;
    std::vector<std::int64_t> m_ranges;
    std::int64_t m_startTicks = 0;
    double m_seconds = 0;
    std::int64_t m_bytes = 0;
    std::string m_label;
    std::string m_error;
};

using Function = void (*)(State&);

class Benchmark {
public:
    Benchmark(std::string name, Function function) : m_name(std::move(name)), m_function(function) {}
    Benchmark* Arg(std::int64_t value);
    Benchmark* Unit(TimeUnit unit);
    Benchmark* UseRealTime() { return this; } // the only time measured here
    Benchmark* MinTime(double seconds);
    Benchmark* Iterations(std::int64_t iterations);

    // Runs each argument's case and prints its line, if its name matches `filter`.
    void run(const std::string& filter) const;

private:
    void runCase(const std::string& name, const std::vector<std::int64_t>& ranges) const;

    std::string m_name;
    Function m_function;
    std::vector<std::int64_t> m_args;
    TimeUnit m_unit = kNanosecond;
    double m_minTime = 0.5;
    std::int64_t m_iterations = 0; // 0: as many as the minimum time takes
};

Benchmark* RegisterBenchmark(const char* name, Function function);

// Runs every registered benchmark whose name matches --benchmark_filter=REGEX; returns the
// exit status.
int RunMain(int argc, char** argv);

} // namespace benchmark

#define BENCHMARK_JOIN2(a, b) a##b
#define BENCHMARK_JOIN(a, b) BENCHMARK_JOIN2(a, b)
#define BENCHMARK(function)                                                                                            \
    [[maybe_unused]] static ::benchmark::Benchmark* BENCHMARK_JOIN(benchmark_registration_, __LINE__) =                \
        ::benchmark::RegisterBenchmark(#function, function)
#define BENCHMARK_MAIN()                                                                                               \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        return ::benchmark::RunMain(argc, argv);                                                                       \
    }
