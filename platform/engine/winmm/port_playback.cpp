#include "port_playback.h"

#include <algorithm>
#include <cmath>
#include <system_error>

#include "midi_bytes.h"

namespace tonvex {

PortPlayback::PortPlayback(std::shared_ptr<SharedPort> port, std::shared_ptr<const SongTimeline> timeline,
                           MusicTime start, float tempo, std::unique_ptr<PlayerTimer> timer)
    : m_port(std::move(port)),
      m_timeline(std::move(timeline)),
      m_cursor(m_timeline, m_timeline->song().toFileTick(start)),
      m_timer(std::move(timer)),
      m_tempo(tempo),
      m_origin(m_timer->nowMicros() + kStartLatencyMicros),
      m_startMicros(m_timeline->song().microsAt(m_cursor.startTick()))
{
    try {
        m_thread = std::thread([this] { run(); });
    } catch (const std::system_error& error) {
        throw EngineError(std::string("cannot start the player thread: ") + error.what());
    }
}

PortPlayback::~PortPlayback()
{
    stop();
}

void PortPlayback::run() noexcept
{
    try {
        while (std::optional<SongEvent> event = m_cursor.next()) {
            const auto due = m_origin + std::llround(static_cast<double>(event->dueMicros) / m_tempo);
            if (!m_timer->waitUntil(due))
                return;
            if (event->kind == SongEvent::Kind::End) {
                m_finished = true;
                // A note the song never released would sound on for good.
                m_port->releaseNotes();
                return;
            }
            send(*event);
        }
    } catch (...) {
        // Out of memory for a system exclusive: the song ends here, as the transport will see.
        m_finished = true;
    }
}

void PortPlayback::send(const SongEvent& event)
{
    try {
        if (event.kind == SongEvent::Kind::Channel) {
            m_port->shortMessage(event.status, event.data[0], event.data.size() > 1 ? event.data[1] : 0);
            return;
        }
        m_sysEx.assign(1, midi::kSysEx);
        m_sysEx.insert(m_sysEx.end(), event.data.begin(), event.data.end());
        // An unterminated message would leave the device waiting for its end.
        if (m_sysEx.back() != midi::kEndOfExclusive)
            m_sysEx.push_back(midi::kEndOfExclusive);
        m_port->longMessage(m_sysEx);
    } catch (const EngineError&) {
        // A message the device refuses is skipped; the song goes on.
    }
}

MusicTime PortPlayback::position()
{
    const SmfSong& song = m_timeline->song();
    if (m_finished)
        return song.length();
    const std::int64_t now = m_stopped ? m_stoppedAt.load() : m_timer->nowMicros();
    const double micros = m_startMicros + static_cast<double>(std::max<std::int64_t>(now - m_origin, 0)) * m_tempo;
    return song.toMusicTime(std::min(song.tickAt(micros), song.endTick()));
}

bool PortPlayback::isPlaying() const
{
    return !m_finished && !m_stopped;
}

bool PortPlayback::stop()
{
    // The window's thread alone stops; the time is frozen before the flag shows.
    const bool first = !m_stopped;
    if (first) {
        m_stoppedAt = m_timer->nowMicros();
        m_stopped = true;
        m_timer->cancel();
    }
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
    return first;
}

} // namespace tonvex
