#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <sys/types.h>
#include <vector>

#include "sink_recorder.h"

namespace tonvex::bench {

using Clock = std::chrono::steady_clock;

// Frames of the null sink's digital silence: exact zeros, so any sample above this is sound.
inline constexpr int kSilence = 32;

double ms(Clock::duration d);
double median(std::vector<double> v);
double maxOf(const std::vector<double>& v);

// Wall-clock time at which the first sound after frame `from` reached the recorder;
// time_point::max() when none came within the limit.
Clock::time_point firstSound(const test::SinkRecorder& recorder, std::size_t from, Clock::duration limit);

// Starts the program with stdin, stdout and stderr on /dev/null; -1 when it cannot start.
pid_t spawnQuiet(const std::vector<std::string>& args);
// Stops a child started above and reaps it.
void stopChild(pid_t pid);

// Busy processes at normal priority, one per core, for as long as the object lives.
class CpuHogs {
public:
    explicit CpuHogs(int count);
    ~CpuHogs();
    CpuHogs(const CpuHogs&) = delete;
    CpuHogs& operator=(const CpuHogs&) = delete;

private:
    std::vector<pid_t> m_pids;
};

// Resident memory of this process, in kB.
long residentKb();

// Silent stretches in recorded frames [begin, end): runs of at least `minFrames` frames at or
// below kSilence.
struct Gaps {
    int count = 0;
    double longestMs = 0;
    double totalMs = 0;
    std::vector<double> startsMs; // where the first few begin, from the first frame given
};
Gaps findGaps(const std::vector<std::uint16_t>& magnitudes, std::size_t minFrames);

} // namespace tonvex::bench
