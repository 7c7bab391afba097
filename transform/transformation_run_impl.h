#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "file_byte_sink.h"
#include "file_byte_source.h"
#include "preset.h"
#include "stream_run_impl.h"
#include "temporary_file.h"
#include "transformation_run.h"

namespace tonvex::detail {

// Input and output buffers of a run: fewer, larger reads and writes than the streams'
// defaults, still a fixed amount of memory whatever the file's size.
inline constexpr std::size_t kRunBufferSize = 256 * 1024;

// MIRROR with any hook callable as bool(), called by reference before every event.
template <class Hook>
RunResult mirror(const std::string& inFileName, const Preset& preset, Hook& yield)
{
    const std::optional<std::string> outFileName = outputFileName(inFileName, preset.OutSuffix);
    if (!outFileName)
        return {RunStatus::CannotRead, {}};
    FileByteSource in(inFileName, kRunBufferSize);
    if (!in.isOpen())
        return {RunStatus::CannotRead, {}};
    TemporaryFile temporary(*outFileName);
    if (!temporary.isOpen())
        return {RunStatus::CannotWrite, {}};
    FileByteSink out(temporary.fd(), kRunBufferSize);
    const RunStatus status = detail::transformStream(in, out, preset, yield);
    if (status != RunStatus::Written)
        return {status, {}};
    if (!temporary.commit())
        return {RunStatus::CannotWrite, {}};
    return {RunStatus::Written, *outFileName};
}

} // namespace tonvex::detail
