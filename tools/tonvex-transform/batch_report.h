#pragma once

#include <cstddef>
#include <cstdio>
#include <string_view>

#include "batch_input.h"
#include "transformation_run.h"

namespace tonvex::cli {

// The lines on standard output: "ok OUTPUT" or "refused FILE: REASON (DETAIL)" per input,
// and a last line with the counts. Control characters in names print as '?', so that every
// report line is one line.
class BatchReport {
public:
    BatchReport(std::FILE* out, std::size_t inputCount) : m_out(out), m_inputCount(inputCount) {}

    // Prints nothing for a cancelled run, which then counts as not done.
    void add(const BatchInput& input, const RunResult& result);

    // "summary: 3 written, 2 refused (1 cannot read, 1 cannot write)"; when `interrupted`,
    // "summary: interrupted, 3 written, 0 refused, 7 not done".
    void summarize(bool interrupted);

    bool allWritten() const { return m_written == m_inputCount; }

private:
    void refuse(const BatchInput& input, std::string_view reason, std::string_view detail);

    std::FILE* m_out;
    std::size_t m_inputCount;
    std::size_t m_written = 0;
    std::size_t m_refused = 0;
    std::size_t m_unreadable = 0;
    std::size_t m_unwritable = 0;
    std::size_t m_unreadableFolders = 0;
    std::size_t m_sameOutput = 0;
    std::size_t m_outputOfAnother = 0;
};

} // namespace tonvex::cli
