#include "preset.h"

#include "note_mapping.h"

namespace tonvex {

namespace {

static_assert([] {
    for (std::size_t i = 0; i < kPresets.size(); ++i)
        if (static_cast<std::size_t>(kPresets[i].id) != i)
            return false;
    return true;
}(), "kPresets is indexed by PresetId");

constexpr char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

} // namespace

std::optional<PresetId> presetByName(std::string_view name)
{
    for (const PresetInfo& info : kPresets)
        if (equalIgnoringCase(info.name, name) || equalIgnoringCase(info.label, name))
            return info.id;
    return std::nullopt;
}

void selectPreset(PresetId id, Preset& preset)
{
    const PresetInfo& info = presetInfo(id);
    preset.OutSuffix = info.suffix;
    preset.ReverseMode = info.reverse;
    if (!info.reverse)
        preset.PitchMap = info.pitchMap;
}

std::uint8_t TransformNote(const Preset& preset, std::uint8_t note, int channel)
{
    return mapNote(preset, note, channel);
}

} // namespace tonvex
