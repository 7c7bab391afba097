#include "run_workspace.h"

namespace tonvex {

// For overwrite: the buffers are only ever read where a read or the copier has written.
RunWorkspace::RunWorkspace()
    : m_input(std::make_unique_for_overwrite<std::uint8_t[]>(kBufferSize)),
      m_output(std::make_unique_for_overwrite<std::uint8_t[]>(kBufferSize))
{
}

const NoteTable& RunWorkspace::noteTable(const Preset& preset)
{
    if (!m_table || preset.ReverseMode != m_tablePreset.ReverseMode || preset.PitchMap != m_tablePreset.PitchMap) {
        m_table.emplace(preset);
        m_tablePreset = preset;
    }
    return *m_table;
}

} // namespace tonvex
