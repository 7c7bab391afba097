#include "transport.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

#include "midi_bytes.h"
#include "playback.h"
#include "skip.h"
#include "smf_song.h"

namespace tonvex {
namespace {

constexpr double kSecondsPerMinute = 60.0;
constexpr double kMillisPerSecond = 1000.0;
// A start point at or past the end is pulled back by this many ticks.
constexpr MusicTime kEndBackoff = 10;

// Whole seconds of music time at one tempo: ticks to quarters, to minutes, to seconds, then
// floored; throws for no tempo.
double secondsAtTempo(MusicTime position, double beatsPerMinute)
{
    if (beatsPerMinute == 0.0)
        throw std::domain_error("no tempo");
    return std::floor(position / static_cast<double>(kTicksPerQuarter) * kSecondsPerMinute / beatsPerMinute);
}

// Whole seconds of music along the song's tempo map. Tempos are whole microseconds a quarter,
// so a song timed in whole seconds can end a few microseconds short: whole milliseconds count.
double secondsAlong(const SmfSong& song, MusicTime position)
{
    return std::floor(std::round(song.secondsAt(position) * kMillisPerSecond) / kMillisPerSecond);
}

// Whole seconds of music up to the position: along the song when it could be read, else at
// BeatsPerMinute; throws when they cannot be computed (no tempo, or no representable count).
long long elapsedSeconds(MusicTime position, const MainState& state)
{
    const double seconds = state.Song ? secondsAlong(*state.Song, position)
                                      : secondsAtTempo(position, state.BeatsPerMinute);
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

Transport::Transport(Playback& playback) : m_playback(playback) {}

void Transport::PlayMidiFile()
{
    MainState& s = m_playback.state();
    if (!s.EngineReady)
        return;
    auto& e = m_playback.engine();
    if (holds([&] { return s.PlayPosition >= need(e.SongSegment).GetLength(); })) {
        // Saturate rather than wrap for a position near the bottom of the range.
        if (s.PlayPosition >= std::numeric_limits<MusicTime>::min() + kEndBackoff)
            s.PlayPosition -= kEndBackoff;
    }
    // The start point never lies before the song.
    if (s.PlayPosition < 0)
        s.PlayPosition = 0;
    attempt([&] { need(e.SongSegment).SetStartPoint(s.PlayPosition); });
    attempt([&] { e.SongState = need(e.MusicPerformance).PlaySegmentEx(need(e.SongSegment), 0, 0); });
    m_playback.view().setTimerEnabled(true);
    m_timerOn = true;
}

void Transport::StopMidiFile()
{
    MainState& s = m_playback.state();
    if (!s.EngineReady)
        return;
    auto& e = m_playback.engine();
    m_playback.view().setTimerEnabled(false);
    m_timerOn = false;
    for (int channel = 0; channel < midi::kChannels; ++channel)
        attempt([&] {
            need(e.MusicPerformance).SendMIDIPMSG(0, kMessageAtOnce, channel, midi::kControlChange, midi::kAllSoundOff, 0);
        });
    attempt([&] { need(e.MusicPerformance).StopEx(need(e.SongSegment), 0, 0); });
    attempt([&] { need(e.SongSegment).SetStartPoint(0); });
    s.PlayPosition = 0;
}

void Transport::Timer1_Timer()
{
    auto& e = m_playback.engine();
    MusicTime position = 0;
    attempt([&] { position = need(e.SongState).GetSeek(); });
    long long seconds = 0;
    attempt([&] { seconds = elapsedSeconds(position, m_playback.state()); });
    m_playback.view().setCaption(Label::LabTime, formatElapsed(seconds));

    // Every song that ends, however short, returns the transport to its stopped state.
    const bool ended = holds([&] {
        return !need(e.MusicPerformance).IsPlaying(need(e.SongSegment), need(e.SongState));
    });
    if (!ended)
        return;
    showStopped();
    StopMidiFile();
}

void Transport::stopAndShow()
{
    if (m_timerOn)
        showStopped();
    StopMidiFile();
}

void Transport::showStopped()
{
    const MainState& s = m_playback.state();
    View& view = m_playback.view();
    for (int button = kPlayInput; button <= kLastTransportButton; ++button)
        view.setFace(button, Face::None);
    if (s.DroppedFileName == s.InFileName)
        view.setFace(kStopInput, Face::Stop);
    if (s.OutFileName == s.InFileName)
        view.setFace(kStopOutput, Face::Stop);
}

} // namespace tonvex
