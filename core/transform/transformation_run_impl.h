#pragma once

#include <optional>
#include <string>

#include "file_byte_sink.h"
#include "file_byte_source.h"
#include "preset.h"
#include "run_workspace.h"
#include "stream_run_impl.h"
#include "temporary_file.h"
#include "transformation_run.h"

namespace tonvex::detail {

// MIRROR with any hook callable as bool(), called by reference before every event.
template <class Hook>
RunResult mirror(const std::string& inFileName, const Preset& preset, Hook& yield, RunWorkspace& workspace)
{
    const std::optional<std::string> outFileName = outputFileName(inFileName, preset.OutSuffix);
    if (!outFileName)
        return {RunStatus::CannotRead, {}};
    FileByteSource in(inFileName, workspace.inputBuffer());
    if (!in.isOpen())
        return {RunStatus::CannotRead, {}};
    TemporaryFile temporary(*outFileName);
    FileByteSink out(temporary, workspace.outputBuffer());
    const RunStatus status = detail::transformStream(in, out, preset, workspace.noteTable(preset), yield);
    if (status != RunStatus::Written)
        return {status, {}};
    if (!temporary.commit())
        return {RunStatus::CannotWrite, {}};
    return {RunStatus::Written, *outFileName};
}

} // namespace tonvex::detail
