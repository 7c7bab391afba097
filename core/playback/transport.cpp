#include "transport.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

#include "skip.h"

namespace tonvex {
namespace {

// All-sound-off goes to each of the sixteen MIDI channels.
constexpr int kMidiChannels = 16;
// A song is taken as ended only after more than this many seconds were shown.
constexpr long long kEndAfterSeconds = 10;
constexpr double kSecondsPerMinute = 60.0;
// A start point at or past the end is pulled back by this many ticks.
constexpr MusicTime kEndBackoff = 10;

// Whole seconds of music time at a fixed tempo; throws when they cannot be computed
// (no tempo, or a result that is not a representable count).
long long elapsedSeconds(MusicTime position, double beatsPerMinute)
{
    if (beatsPerMinute == 0.0)
        throw std::domain_error("no tempo");
    const double seconds = std::floor(position / static_cast<double>(kTicksPerQuarter) * kSecondsPerMinute / beatsPerMinute);
    // Converting a non-finite or out-of-range double to an integer is undefined.
    if (!std::isfinite(seconds) || seconds < -9.0e18 || seconds > 9.0e18)
        throw std::range_error("time out of range");
    return static_cast<long long>(seconds);
}

} // namespace

// A negative count (a negative tempo from the engine) shows as the start.
std::string formatElapsed(long long seconds)
{
    if (seconds < 0)
        seconds = 0;
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld", seconds / 60, seconds % 60); // minutes, seconds
    return text;
}

Transport::Transport(MainState& state, EngineSlots& engine, View& view)
    : m_state(state), m_engine(engine), m_view(view)
{
}

void Transport::PlayMidiFile()
{
    if (!m_state.EngineReady)
        return;
    auto& e = m_engine;
    if (holds([&] { return m_state.PlayPosition >= need(e.SongSegment).GetLength(); })) {
        // Saturate rather than wrap for a position near the bottom of the range.
        if (m_state.PlayPosition >= std::numeric_limits<MusicTime>::min() + kEndBackoff)
            m_state.PlayPosition -= kEndBackoff;
    }
    // The start point never lies before the song.
    if (m_state.PlayPosition < 0)
        m_state.PlayPosition = 0;
    attempt([&] { need(e.SongSegment).SetStartPoint(m_state.PlayPosition); });
    attempt([&] { e.SongState = need(e.MusicPerformance).PlaySegmentEx(need(e.SongSegment), 0, 0); });
    m_view.setTimerEnabled(true);
}

void Transport::StopMidiFile()
{
    if (!m_state.EngineReady)
        return;
    auto& e = m_engine;
    m_view.setTimerEnabled(false);
    for (int channel = 0; channel < kMidiChannels; ++channel)
        attempt([&] {
            need(e.MusicPerformance).SendMIDIPMSG(0, kMessageAtOnce, channel, kControlChange, kAllSoundOff, 0);
        });
    attempt([&] { need(e.MusicPerformance).StopEx(need(e.SongSegment), 0, 0); });
    attempt([&] { need(e.SongSegment).SetStartPoint(0); });
    m_state.PlayPosition = 0;
}

void Transport::Timer1_Timer()
{
    auto& e = m_engine;
    MusicTime position = 0;
    attempt([&] { position = need(e.SongState).GetSeek(); });
    long long seconds = 0;
    attempt([&] { seconds = elapsedSeconds(position, m_state.BeatsPerMinute); });
    m_view.setCaption(Label::LabTime, formatElapsed(seconds));

    const bool ended = holds([&] {
        return !need(e.MusicPerformance).IsPlaying(need(e.SongSegment), need(e.SongState))
            && seconds > kEndAfterSeconds;
    });
    if (!ended)
        return;
    for (int button = kPlayInput; button <= kLastTransportButton; ++button)
        m_view.setFace(button, Face::None);
    if (m_view.caption(Label::DragFile) == m_state.InFileName)
        m_view.setFace(kStopInput, Face::Stop);
    if (m_view.caption(Label::OutputFile) == m_state.InFileName)
        m_view.setFace(kStopOutput, Face::Stop);
    StopMidiFile();
}

} // namespace tonvex
