#include "batch_report.h"

#include <string>

namespace tonvex::cli {

namespace {

constexpr char kUnreadableFolder[] = "CANNOT READ FOLDER!";
constexpr char kCancelled[] = "cancelled";

} // namespace

void BatchReport::add(const BatchInput& input, const RunResult& result)
{
    ++m_total;
    std::string reason;
    if (input.unreadableFolder) {
        ++m_unreadableFolders;
        reason = kUnreadableFolder;
    } else {
        switch (result.status) {
        case RunStatus::Written:
            ++m_written;
            std::fprintf(m_out, "ok %s\n", result.outFileName.c_str());
            return;
        case RunStatus::CannotRead: ++m_unreadable; break;
        case RunStatus::CannotWrite: ++m_unwritable; break;
        case RunStatus::Cancelled: ++m_cancelled; break;
        }
        reason = result.status == RunStatus::Cancelled ? kCancelled : failureMessage(result.status);
    }
    std::fprintf(m_out, "refused %s: %s\n", input.path.c_str(), reason.c_str());
}

void BatchReport::summarize()
{
    std::string why;
    const auto note = [&why](std::size_t count, const char* what) {
        if (count > 0)
            why += (why.empty() ? " (" : ", ") + std::to_string(count) + " " + what;
    };
    note(m_unreadable, "cannot read");
    note(m_unwritable, "cannot write");
    note(m_unreadableFolders, "folder unreadable");
    note(m_cancelled, "cancelled");
    if (!why.empty())
        why += ")";
    std::fprintf(m_out, "summary: %zu written, %zu refused%s\n", m_written, m_total - m_written, why.c_str());
}

} // namespace tonvex::cli
