// tonvex-transform PRESET FILE|FOLDER...: transforms each MIDI file as the window's button
// does, several at once, and reports per file in input order.

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "batch_input.h"
#include "batch_report.h"
#include "batch_run.h"
#include "command_line.h"
#include "host_system.h"
#include "interruption.h"
#include "progress_line.h"
#include "tool_main.h"

namespace {

using namespace tonvex::cli;

constexpr int kAllWritten = 0;
constexpr int kSomeRefused = 1;
constexpr int kUsageError = 2;

// How often the waiting thread looks for a signal and redraws the progress line.
constexpr std::chrono::milliseconds kPollInterval(100);

int reportWriteError()
{
    std::fprintf(stderr, "tonvex-transform: cannot write the report: %s\n", std::strerror(errno));
    return kSomeRefused;
}

// Reports every file finished before the workers stopped, since each one is on disk, then
// the summary, and ends by `signal`.
[[noreturn]] void endInterrupted(BatchRun& batch, const std::vector<BatchInput>& inputs, BatchReport& report,
                                 ProgressLine& progress, int signal)
{
    batch.stop();
    progress.clear();
    for (std::size_t index = batch.handed(); index < inputs.size(); ++index)
        if (const tonvex::RunResult* result = batch.finishedResult(index))
            report.add(inputs[index], *result);
    report.summarize(true);
    std::fflush(stdout);
    endBySignal(signal);
}

int run(const CommandLine& line)
{
    const std::vector<BatchInput> inputs = collectInputs(line.operands, line.preset.OutSuffix, line.includeOutputs);
    ProgressLine progress(inputs.size());
    BatchReport report(stdout, inputs.size());
    BatchRun batch(inputs, line.preset, line.jobs != 0 ? line.jobs : processorCount(), interruption());
    while (!batch.finished()) {
        const std::size_t index = batch.handed();
        const std::optional<tonvex::RunResult> result = batch.next(kPollInterval);
        if (result) {
            progress.beforeOutput();
            report.add(inputs[index], *result);
            if (std::ferror(stdout)) {
                batch.stop();
                return reportWriteError();
            }
        }
        if (const int signal = interruption())
            endInterrupted(batch, inputs, report, progress, signal);
        progress.show(batch.handed());
    }
    // A signal after the last file still ends the program by it, so that a calling loop stops.
    if (const int signal = interruption())
        endInterrupted(batch, inputs, report, progress, signal);
    progress.clear();
    report.summarize(false);
    if (std::fflush(stdout) != 0)
        return reportWriteError();
    return report.allWritten() ? kAllWritten : kSomeRefused;
}

} // namespace

int tonvex::cli::toolMain(int argc, char** argv)
{
    const CommandLine line = parseCommandLine(argc, argv);
    switch (line.action) {
    case CommandLine::Action::Help:
        std::fwrite(helpText().data(), 1, helpText().size(), stdout);
        return std::fflush(stdout) == 0 ? kAllWritten : reportWriteError();
    case CommandLine::Action::Version:
        std::printf("tonvex-transform (Tonvex) %s\n", TONVEX_VERSION);
        return std::fflush(stdout) == 0 ? kAllWritten : reportWriteError();
    case CommandLine::Action::UsageError:
        std::fprintf(stderr, "tonvex-transform: %s\nTry 'tonvex-transform --help' for more information.\n",
                     line.error.c_str());
        return kUsageError;
    case CommandLine::Action::Run:
        break;
    }
    catchInterruptions();
    return run(line);
}
