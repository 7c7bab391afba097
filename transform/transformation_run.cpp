#include "transformation_run.h"

#include "file_byte_sink.h"
#include "file_byte_source.h"
#include "stream_run.h"
#include "temporary_file.h"

namespace tonvex {

namespace {

constexpr std::string_view kMidiMark = ".MID";

// Input and output buffers of a run: fewer, larger reads and writes than the streams'
// defaults, still a fixed amount of memory whatever the file's size.
constexpr std::size_t kRunBufferSize = 256 * 1024;

char upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

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
    const std::size_t slash = inFileName.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::string name = inFileName.substr(nameStart);
    for (char& c : name)
        c = upper(c);
    const std::size_t mark = name.find(kMidiMark);
    if (mark == std::string::npos)
        return std::nullopt;
    return inFileName.substr(0, nameStart + mark) + outSuffix;
}

RunResult MIRROR(const std::string& inFileName, const Preset& preset, const YieldHook& yield)
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
    const RunStatus status = transformStream(in, out, preset, yield);
    if (status != RunStatus::Written)
        return {status, {}};
    if (!temporary.commit())
        return {RunStatus::CannotWrite, {}};
    return {RunStatus::Written, *outFileName};
}

} // namespace tonvex
