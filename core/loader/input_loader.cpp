#include "input_loader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <utility>
#include <vector>

#include "skip.h"

namespace tonvex {
namespace {

// Head of a Set Tempo meta event: meta, type 0x51, length 3.
constexpr std::array<std::uint8_t, 3> kSetTempoHead{0xFF, 0x51, 0x03};
// Tempo of a Standard MIDI File without a Set Tempo event: 120 quarter notes per minute.
constexpr std::uint32_t kDefaultTempoMicros = 500000;
constexpr double kMicrosPerMinute = 60000000.0;
// Nominal playback speed.
constexpr float kNominalTempo = 1.0f;

// The whole file; throws when it cannot be opened or read.
std::vector<std::uint8_t> readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path);
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        throw std::runtime_error("cannot read " + path);
    return bytes;
}

// Whole quarter notes per minute; throws for a zero tempo.
double wholeBeatsPerMinute(double tempoMicros)
{
    if (tempoMicros == 0.0)
        throw std::domain_error("zero tempo");
    return std::floor(kMicrosPerMinute / tempoMicros);
}

} // namespace

std::uint32_t firstTempoMicros(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty())
        return 0;
    const auto match = std::search(bytes.begin(), bytes.end(), kSetTempoHead.begin(), kSetTempoHead.end());
    if (match == bytes.end())
        return kDefaultTempoMicros;
    const auto at = static_cast<std::size_t>(match - bytes.begin()) + kSetTempoHead.size();
    auto byteAt = [&](std::size_t i) -> std::uint32_t { return i < bytes.size() ? bytes[i] : 0; };
    return byteAt(at) << 16 | byteAt(at + 1) << 8 | byteAt(at + 2);
}

InputLoader::InputLoader(MainState& state, EngineSlots& engine, View& view, EngineLifecycle& lifecycle,
                         Abandoned abandoned)
    : m_state(state), m_engine(engine), m_view(view), m_lifecycle(lifecycle), m_abandoned(std::move(abandoned))
{
}

void InputLoader::OpenMIDIFIle()
{
    auto& e = m_engine;
    m_lifecycle.CloseDevice();
    if (abandoned())
        return;
    m_lifecycle.Initialize();
    m_view.processEvents();
    if (abandoned())
        return;

    std::vector<std::uint8_t> bytes;
    attempt([&] { bytes = readWholeFile(m_state.InFileName); });
    m_state.TempoMicros = firstTempoMicros(bytes);
    attempt([&] { m_state.BeatsPerMinute = wholeBeatsPerMinute(m_state.TempoMicros); });
    attempt([&] { e.SongSegment = need(e.MusicLoader).LoadSegment(m_state.InFileName); });
    attempt([&] { need(e.SongSegment).SetStandardMidiFile(); });
    attempt([&] { need(e.SongSegment).Download(need(e.MusicPerformance)); });
    attempt([&] { need(e.MusicPerformance).SetMasterTempo(kNominalTempo); });
    m_state.PlayPosition = 0;
    attempt([&] { need(e.MusicPerformance).SetMasterVolume(kMasterVolume); });
    m_state.EngineReady = true;

    // The output being loaded for its own playback keeps the tempo read from its bytes.
    if (m_view.caption(Label::OutputFile) == m_state.InFileName)
        return;
    TempoProbe();
}

void InputLoader::TempoProbe()
{
    auto& e = m_engine;
    MusicTime t = 0;
    attempt([&] { t = need(e.MusicPerformance).GetMusicTime(); });
    attempt([&] { e.SongState = need(e.MusicPerformance).PlaySegmentEx(need(e.SongSegment), 0, 0); });
    attempt([&] { m_state.BeatsPerMinute = need(e.MusicPerformance).GetTempo(t); });
    attempt([&] { need(e.MusicPerformance).StopEx(need(e.SongSegment), 0, 0); });
}

} // namespace tonvex
