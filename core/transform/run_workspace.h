#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "note_table.h"
#include "preset.h"

namespace tonvex {

// What a transformation run needs besides its files: the input and output buffers and the
// note table of the last preset. Kept by one thread and reused run after run, so a batch of
// small files costs no allocation, no zero-filling of buffers and no table per file.
class RunWorkspace {
public:
    // Fewer, larger reads and writes than the streams' defaults, still a fixed amount of
    // memory whatever the file's size.
    static constexpr std::size_t kBufferSize = 256 * 1024;

    // Throws std::bad_alloc when the buffers cannot be had.
    RunWorkspace();

    std::span<std::uint8_t> inputBuffer() { return {m_input.get(), kBufferSize}; }
    std::span<std::uint8_t> outputBuffer() { return {m_output.get(), kBufferSize}; }

    // The note table of `preset`, built again only when the preset differs from the last one;
    // cannot fail.
    const NoteTable& noteTable(const Preset& preset);

private:
    std::unique_ptr<std::uint8_t[]> m_input;
    std::unique_ptr<std::uint8_t[]> m_output;
    Preset m_tablePreset;
    std::optional<NoteTable> m_table;
};

} // namespace tonvex
