#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "file_byte_sink.h"
#include "file_byte_source.h"
#include "preset.h"
#include "run_workspace.h"
#include "stream_run_impl.h"
#include "stream_run_scout.h"
#include "temporary_file.h"
#include "transformation_run.h"

namespace tonvex::detail {

// The second reader a run opens, if at all, to look ahead of the copy: a small buffer.
inline constexpr std::size_t kLookAheadBufferSize = 16 * 1024;

// MIRROR with any hook callable as bool(), called by reference before every event.
template <class Hook>
RunResult mirror(const std::string& inFileName, const Preset& preset, Hook& yield, RunWorkspace& workspace)
{
    const std::optional<std::string> outFileName = outputFileName(inFileName, preset.OutSuffix);
    if (!outFileName)
        return {RunStatus::CannotRead, {}, {}};
    FileByteSource in(inFileName, workspace.inputBuffer());
    if (!in.isOpen())
        return {RunStatus::CannotRead, {}, {}}; // the caller asks the system why
    const ReaderOpener openAgain = [&inFileName]() -> std::unique_ptr<ByteSource> {
        auto reader = std::make_unique<FileByteSource>(inFileName, kLookAheadBufferSize);
        if (!reader->isOpen())
            return nullptr;
        return reader;
    };
    TemporaryFile temporary(*outFileName);
    FileByteSink out(temporary, workspace.outputBuffer());
    std::string refusal;
    const RunStatus status =
        detail::transformStream(in, out, preset, workspace.noteTable(preset), yield, openAgain, &refusal);
    if (status != RunStatus::Written)
        return {status, {}, refusal};
    if (!temporary.commit())
        return {RunStatus::CannotWrite, {}, {}};
    return {RunStatus::Written, *outFileName, {}};
}

} // namespace tonvex::detail
