#include "batch_report.h"

#include <string>

namespace tonvex::cli {

namespace {

constexpr char kUnreadableFolder[] = "CANNOT READ FOLDER!";
constexpr char kSameOutput[] = "SAME OUTPUT AS ";
constexpr char kOutputOfAnother[] = "OUTPUT OF ";

constexpr char kControlReplacement = '?';
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;

// `text` with its control characters (a newline in a file name, say) shown as '?'.
std::string printable(std::string_view text)
{
    std::string shown(text);
    for (char& c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < kFirstPrintable || byte == kDelete)
            c = kControlReplacement;
    }
    return shown;
}

} // namespace

void BatchReport::add(const BatchInput& input, const RunResult& result)
{
    switch (input.refusal) {
    case BatchInput::Refusal::UnreadableFolder:
        ++m_unreadableFolders;
        return refuse(input, kUnreadableFolder, input.detail);
    case BatchInput::Refusal::SameOutput:
        ++m_sameOutput;
        return refuse(input, kSameOutput + printable(input.detail), {});
    case BatchInput::Refusal::OutputOfAnother:
        ++m_outputOfAnother;
        return refuse(input, kOutputOfAnother + printable(input.detail), {});
    case BatchInput::Refusal::None:
        break;
    }
    switch (result.status) {
    case RunStatus::Written:
        ++m_written;
        std::fprintf(m_out, "ok %s\n", printable(result.outFileName).c_str());
        return;
    case RunStatus::CannotRead:
        ++m_unreadable;
        return refuse(input, failureMessage(result.status), result.detail);
    case RunStatus::CannotWrite:
        ++m_unwritable;
        return refuse(input, failureMessage(result.status), result.detail);
    case RunStatus::Cancelled:
        return;
    }
}

void BatchReport::refuse(const BatchInput& input, std::string_view reason, std::string_view detail)
{
    ++m_refused;
    const std::string because = detail.empty() ? std::string() : " (" + printable(detail) + ")";
    std::fprintf(m_out, "refused %s: %.*s%s\n", printable(input.path).c_str(), static_cast<int>(reason.size()),
                 reason.data(), because.c_str());
}

void BatchReport::summarize(bool interrupted)
{
    std::string why;
    const auto note = [&why](std::size_t count, const char* what) {
        if (count > 0)
            why += (why.empty() ? " (" : ", ") + std::to_string(count) + " " + what;
    };
    note(m_unreadable, "cannot read");
    note(m_unwritable, "cannot write");
    note(m_unreadableFolders, "folder unreadable");
    note(m_sameOutput, "same output");
    note(m_outputOfAnother, "output of another input");
    if (!why.empty())
        why += ")";
    if (interrupted)
        std::fprintf(m_out, "summary: interrupted, %zu written, %zu refused%s, %zu not done\n", m_written, m_refused,
                     why.c_str(), m_inputCount - m_written - m_refused);
    else
        std::fprintf(m_out, "summary: %zu written, %zu refused%s\n", m_written, m_refused, why.c_str());
}

} // namespace tonvex::cli
