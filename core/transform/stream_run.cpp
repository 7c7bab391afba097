#include "stream_run.h"

#include <cstdint>
#include <string>

#include "midi_bytes.h"

namespace tonvex {

namespace {

// Copies `count` bytes and returns them big-endian in `value` (count <= 4); false at the end.
bool copyNumber(ByteSource& in, ByteSink& out, int count, std::uint32_t& value)
{
    value = 0;
    for (int i = 0; i < count; ++i) {
        std::uint8_t byte = 0;
        if (!in.get(byte))
            return false;
        out.put(byte);
        value = (value << 8) | byte;
    }
    return true;
}

} // namespace

bool detail::copyHeader(ByteSource& in, ByteSink& out, std::uint32_t& trackCount, std::string& refusal)
{
    for (const std::uint8_t expected : midi::kHeaderId) {
        std::uint8_t byte = 0;
        if (!in.get(byte) || byte != expected) {
            refusal = "no MThd header";
            return false;
        }
        out.put(byte);
    }
    std::uint32_t length = 0;
    std::uint32_t format = 0;
    std::uint32_t division = 0;
    if (!copyNumber(in, out, 4, length)) {
        refusal = "truncated header";
        return false;
    }
    if (length < midi::kMinHeaderLength) {
        refusal = "header length " + std::to_string(length) + " below " + std::to_string(midi::kMinHeaderLength);
        return false;
    }
    if (!copyNumber(in, out, 2, format) || !copyNumber(in, out, 2, trackCount) || !copyNumber(in, out, 2, division)) {
        refusal = "truncated header";
        return false;
    }
    // Longer headers carry fields of later revisions: keep them.
    for (std::uint32_t extra = length - midi::kMinHeaderLength; extra > 0; --extra) {
        std::uint8_t byte = 0;
        if (!in.get(byte)) {
            refusal = "truncated header";
            return false;
        }
        out.put(byte);
    }
    return true;
}

RunStatus transformStream(ByteSource& in, ByteSink& out, const Preset& preset, const YieldHook& yield,
                          const ReaderOpener& openAgain, std::string* refusal)
{
    if (!yield)
        return detail::transformStream(in, out, preset, detail::kGoOn, openAgain, refusal);
    return detail::transformStream(in, out, preset, yield, openAgain, refusal);
}

} // namespace tonvex
