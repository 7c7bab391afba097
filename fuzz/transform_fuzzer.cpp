// libFuzzer target: the whole stream-level transformation on arbitrary bytes. The input is
// used whole as the file, so MIDI seeds stay MIDI; the preset is taken from its size. Each
// input runs twice, handed over in one piece and byte by byte, which must agree: the second
// way never takes the copier's direct path for whole events, and looks ahead across windows.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "memory_byte_sink.h"
#include "memory_byte_source.h"
#include "preset.h"
#include "stream_run.h"

namespace {

struct Outcome {
    tonvex::RunStatus status;
    std::vector<std::uint8_t> output;
    std::uint64_t consumed;
    std::string refusal;
};

Outcome run(std::span<const std::uint8_t> input, const tonvex::Preset& preset, std::size_t window)
{
    tonvex::MemoryByteSource in(input, window);
    tonvex::MemoryByteSink out;
    const tonvex::ReaderOpener openAgain = [input, window] { return std::make_unique<tonvex::MemoryByteSource>(input, window); };
    std::string refusal;
    const tonvex::RunStatus status = tonvex::transformStream(in, out, preset, [] { return true; }, openAgain, &refusal);
    out.flush();
    return {status, out.bytes(), in.position(), refusal};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    tonvex::Preset preset;
    tonvex::selectPreset(tonvex::kPresets[(size / 5) % 5].id, preset);
    tonvex::selectPreset(tonvex::kPresets[size % 5].id, preset);
    const std::span<const std::uint8_t> input(data, size);

    const Outcome whole = run(input, preset, static_cast<std::size_t>(-1));
    // The copy never adds a byte, a complete one is the whole input, and a refusal says why.
    if (whole.output.size() > size || whole.consumed > size)
        std::abort();
    if (whole.status == tonvex::RunStatus::Written && (whole.output.size() != size || whole.consumed != size))
        std::abort();
    if (whole.status == tonvex::RunStatus::CannotRead && whole.refusal.empty())
        std::abort();
    if (whole.status != tonvex::RunStatus::Written && whole.status != tonvex::RunStatus::CannotRead)
        std::abort();

    // Byte by byte the run may have taken a few bytes more to look ahead when it refuses.
    const Outcome bytewise = run(input, preset, 1);
    if (bytewise.status != whole.status || bytewise.output != whole.output || bytewise.refusal != whole.refusal)
        std::abort();
    return 0;
}
