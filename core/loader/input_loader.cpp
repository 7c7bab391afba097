#include "input_loader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "midi_bytes.h"
#include "playback.h"
#include "skip.h"
#include "smf_song.h"
#include "whole_file.h"

namespace tonvex {
namespace {

// Head of a Set Tempo meta event: meta, type, length.
constexpr std::array<std::uint8_t, 3> kSetTempoHead{midi::kMeta, midi::kMetaTempo, midi::kTempoLength};
// Nominal playback speed.
constexpr float kNominalTempo = 1.0f;

// Whole quarter notes per minute; throws for a zero tempo.
double wholeBeatsPerMinute(double tempoMicros)
{
    if (tempoMicros == 0.0)
        throw std::domain_error("zero tempo");
    return std::floor(midi::kMicrosPerMinute / tempoMicros);
}

} // namespace

// Follows no file structure: the first match anywhere counts, inside any chunk or event.
std::uint32_t firstTempoMicros(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty())
        return 0;
    const auto match = std::search(bytes.begin(), bytes.end(), kSetTempoHead.begin(), kSetTempoHead.end());
    if (match == bytes.end())
        return midi::kDefaultMicrosPerQuarter;
    const auto at = static_cast<std::size_t>(match - bytes.begin()) + kSetTempoHead.size();
    auto byteAt = [&](std::size_t i) -> std::uint32_t { return i < bytes.size() ? bytes[i] : 0; };
    return byteAt(at) << 16 | byteAt(at + 1) << 8 | byteAt(at + 2);
}

InputLoader::InputLoader(Playback& playback, Abandoned abandoned)
    : m_playback(playback), m_abandoned(std::move(abandoned))
{
}

void InputLoader::OpenMIDIFIle()
{
    MainState& s = m_playback.state();
    auto& e = m_playback.engine();
    m_playback.lifecycle().CloseDevice();
    if (abandoned())
        return;
    m_playback.lifecycle().Initialize();
    m_playback.view().processEvents();
    if (abandoned())
        return;

    std::vector<std::uint8_t> bytes;
    attempt([&] { bytes = readWholeFile(s.InFileName).value_or(std::vector<std::uint8_t>{}); });
    s.TempoMicros = firstTempoMicros(bytes);
    attempt([&] { s.BeatsPerMinute = wholeBeatsPerMinute(s.TempoMicros); });
    // The clock follows the song's tempo map; a file the sequencer refuses has only the tempo above.
    s.Song.reset();
    attempt([&] { s.Song = std::make_shared<const SmfSong>(SmfSong::parse(std::move(bytes))); });
    attempt([&] { e.SongSegment = need(e.MusicLoader).LoadSegment(s.InFileName); });
    attempt([&] { need(e.SongSegment).SetStandardMidiFile(); });
    attempt([&] { need(e.SongSegment).Download(need(e.MusicPerformance)); });
    attempt([&] { need(e.MusicPerformance).SetMasterTempo(kNominalTempo); });
    s.PlayPosition = 0;
    attempt([&] { need(e.MusicPerformance).SetMasterVolume(kMasterVolume); });
    s.EngineReady = true;

    // The output being loaded for its own playback keeps the tempo read from its bytes.
    if (s.OutFileName == s.InFileName)
        return;
    TempoProbe();
}

void InputLoader::TempoProbe()
{
    MainState& s = m_playback.state();
    auto& e = m_playback.engine();
    MusicTime t = 0;
    attempt([&] { t = need(e.MusicPerformance).GetMusicTime(); });
    attempt([&] { e.SongState = need(e.MusicPerformance).PlaySegmentEx(need(e.SongSegment), 0, 0); });
    attempt([&] { s.BeatsPerMinute = need(e.MusicPerformance).GetTempo(t); });
    attempt([&] { need(e.MusicPerformance).StopEx(need(e.SongSegment), 0, 0); });
}

} // namespace tonvex
