#include "track_copier.h"

#include <cstdio>

namespace tonvex {

RunStatus CopyTrackChunk(ByteSource& in, ByteSink& out, RunState& state, const Preset& preset, const YieldHook& yield)
{
    return CopyTrackChunk(in, out, state, preset, NoteTable(preset), yield);
}

RunStatus CopyTrackChunk(ByteSource& in, ByteSink& out, RunState& state, const Preset& preset, const NoteTable& table,
                         const YieldHook& yield)
{
    if (!yield)
        return detail::TrackCopier(in, out, state, preset, table, detail::kGoOn).copyChunk();
    return detail::TrackCopier(in, out, state, preset, table, yield).copyChunk();
}

std::string detail::describeAt(const char* what, std::uint64_t offset)
{
    return std::string(what) + " " + std::to_string(offset);
}

std::string detail::describeByteAt(const char* what, std::uint8_t value, std::uint64_t offset)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, " 0x%02x", value);
    return std::string(what) + hex + " at byte " + std::to_string(offset);
}

} // namespace tonvex
