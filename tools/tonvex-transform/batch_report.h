#pragma once

#include <cstddef>
#include <cstdio>

#include "batch_input.h"
#include "transformation_run.h"

namespace tonvex::cli {

// The lines on standard output: "ok OUTPUT" or "refused FILE: REASON" per input, and a last
// line with the counts.
class BatchReport {
public:
    explicit BatchReport(std::FILE* out) : m_out(out) {}

    void add(const BatchInput& input, const RunResult& result);

    // "summary: 3 written, 2 refused (1 cannot read, 1 cannot write)".
    void summarize();

    bool allWritten() const { return m_written == m_total; }

private:
    std::FILE* m_out;
    std::size_t m_total = 0;
    std::size_t m_written = 0;
    std::size_t m_unreadable = 0;
    std::size_t m_unwritable = 0;
    std::size_t m_unreadableFolders = 0;
    std::size_t m_cancelled = 0;
};

} // namespace tonvex::cli
