#include "transformation_run.h"

#include <string_view>

#include "file_path.h"
#include "midi_mark.h"
#include "track_copier_impl.h"

namespace tonvex {

std::string failureMessage(RunStatus status)
{
    switch (status) {
    case RunStatus::CannotRead: return "CANNOT READ MIDI FILE!";
    case RunStatus::CannotWrite: return "CANNOT WRITE MIDI FILE!";
    case RunStatus::Written:
    case RunStatus::Cancelled: break;
    }
    return {};
}

std::optional<std::string> outputFileName(const std::string& inFileName, const std::string& outSuffix)
{
    const std::size_t nameStart = fileNameStart(inFileName);
    const std::size_t mark = findMidiMark(std::string_view(inFileName).substr(nameStart));
    if (mark == std::string_view::npos)
        return std::nullopt;
    return inFileName.substr(0, nameStart + mark) + outSuffix;
}

RunResult MIRROR(const std::string& inFileName, const Preset& preset, const YieldHook& yield)
{
    RunWorkspace workspace;
    if (!yield)
        return detail::mirror(inFileName, preset, detail::kGoOn, workspace);
    return detail::mirror(inFileName, preset, yield, workspace);
}

} // namespace tonvex
