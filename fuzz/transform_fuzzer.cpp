// libFuzzer target: the whole stream-level transformation on arbitrary bytes. The input is
// used whole as the file, so MIDI seeds stay MIDI; the preset and how the bytes arrive are
// taken from its size.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "memory_byte_sink.h"
#include "memory_byte_source.h"
#include "preset.h"
#include "stream_run.h"

namespace {

constexpr std::size_t kWindows[] = {1, 3, 4096, static_cast<std::size_t>(-1)};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    tonvex::Preset preset;
    tonvex::selectPreset(tonvex::kFirstPresetButton + static_cast<int>((size / 5) % 5), preset);
    tonvex::selectPreset(tonvex::kFirstPresetButton + static_cast<int>(size % 5), preset);
    const std::size_t window = kWindows[(size / 25) % std::size(kWindows)];

    tonvex::MemoryByteSource in(std::span<const std::uint8_t>(data, size), window);
    tonvex::MemoryByteSink out;
    std::size_t events = 0;
    const tonvex::RunStatus status = tonvex::transformStream(in, out, preset, [&events] {
        ++events;
        return true;
    });
    out.flush();

    // The copy never adds a byte, and a complete one is exactly what was read.
    if (out.bytes().size() > size || in.position() > size)
        std::abort();
    if (status == tonvex::RunStatus::Written && out.bytes().size() != in.position())
        std::abort();
    if (status != tonvex::RunStatus::Written && status != tonvex::RunStatus::CannotRead)
        std::abort();
    return 0;
}
