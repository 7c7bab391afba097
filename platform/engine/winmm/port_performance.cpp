#include "port_performance.h"

#include <algorithm>
#include <cmath>

#include "midi_bytes.h"
#include "port_segment.h"
#include "port_segment_state.h"

namespace tonvex {
namespace {

constexpr double kDefaultTempo = 120.0;
constexpr float kMinMasterTempo = 0.01f;
constexpr float kMaxMasterTempo = 100.0f;
constexpr long kMinVolume = -10000; // hundredths of a decibel: -100 dB is silence
constexpr long kMaxVolume = 2000;
constexpr double kHundredthsPerBel = 2000.0; // amplitude: 20 dB a decade, in hundredths

PortSegment& portSegment(Segment& segment)
{
    auto* port = dynamic_cast<PortSegment*>(&segment);
    if (!port)
        throw EngineError("not a segment of this engine");
    return *port;
}

std::uint8_t dataByte(int value)
{
    if (value < 0 || value > midi::kHighestDataByte)
        throw EngineError("data byte out of range");
    return static_cast<std::uint8_t>(value);
}

} // namespace

PortPerformance::PortPerformance(std::shared_ptr<PortDevice> device, PlayerTimerFactory makeTimer)
    : m_device(std::move(device)), m_makeTimer(std::move(makeTimer))
{
}

PortPerformance::~PortPerformance()
{
    try {
        CloseDown();
    } catch (...) {
        // Teardown goes on regardless.
    }
}

void PortPerformance::requireOpen() const
{
    if (m_closed)
        throw EngineError("the performance was closed down");
}

SharedPort& PortPerformance::port() const
{
    if (!m_port)
        throw EngineError("no MIDI output open");
    return *m_port;
}

void PortPerformance::InitAudio(std::uint32_t, const AudioParams&, int, int performanceChannels)
{
    requireOpen();
    if (m_port)
        throw EngineError("audio already open");
    if (performanceChannels <= 0)
        throw EngineError("no performance channels");
    m_port = m_device->claim(this);
    // Nothing of an earlier song carries over: programs, controllers, bend ranges.
    try {
        m_port->longMessage(midi::kGeneralMidiOn);
    } catch (const EngineError&) {
        // A synthesizer that ignores it still plays.
    }
    try {
        if (m_gain)
            m_port->setVolume(*m_gain);
    } catch (const EngineError&) {
        // The port plays at its own level.
    }
}

void PortPerformance::AddNotificationType(int)
{
    requireOpen();
}

void PortPerformance::SetMasterTempo(float tempo)
{
    requireOpen();
    if (!(tempo >= kMinMasterTempo && tempo <= kMaxMasterTempo))
        throw EngineError("master tempo out of range");
    // The next start plays at it.
    m_masterTempo = tempo;
}

void PortPerformance::SetMasterVolume(long hundredthsOfDb)
{
    requireOpen();
    if (hundredthsOfDb < kMinVolume || hundredthsOfDb > kMaxVolume)
        throw EngineError("master volume out of range");
    // A port cannot go above its full level.
    const double gain = std::min(1.0, std::pow(10.0, static_cast<double>(hundredthsOfDb) / kHundredthsPerBel));
    if (m_port)
        m_port->setVolume(gain);
    m_gain = gain;
}

MusicTime PortPerformance::GetMusicTime()
{
    requireOpen();
    return m_playback ? m_playback->position() : 0;
}

std::unique_ptr<SegmentState> PortPerformance::PlaySegmentEx(Segment& segment, std::uint32_t, std::int64_t)
{
    requireOpen();
    PortSegment& song = portSegment(segment);
    SharedPort& out = port();
    if (m_playback && m_playback->stop())
        out.silence();
    m_playback.reset();
    m_playback = std::make_shared<PortPlayback>(m_port, song.timeline(), song.startPoint(), m_masterTempo,
                                                m_makeTimer());
    m_timeline = song.timeline();
    return std::make_unique<PortSegmentState>(m_playback);
}

double PortPerformance::GetTempo(MusicTime time)
{
    requireOpen();
    return m_timeline ? m_timeline->song().tempoAt(time) : kDefaultTempo;
}

void PortPerformance::StopEx(Segment& segment, std::int64_t, std::uint32_t)
{
    requireOpen();
    PortSegment& song = portSegment(segment);
    // Once per start: a song that ended may still hold notes under the sustain pedal.
    if (m_playback && m_playback->plays(song.timeline().get()) && m_playback->stop())
        port().silence();
}

bool PortPerformance::IsPlaying(Segment& segment, SegmentState& state)
{
    requireOpen();
    PortSegment& song = portSegment(segment);
    auto* portState = dynamic_cast<PortSegmentState*>(&state);
    if (!portState)
        throw EngineError("not a segment state of this engine");
    return portState->playback().plays(song.timeline().get()) && portState->playback().isPlaying();
}

void PortPerformance::SendMIDIPMSG(std::int64_t, std::uint32_t, int channel, int status, int data1, int data2)
{
    requireOpen();
    if (channel < 0 || channel >= midi::kChannels)
        throw EngineError("no such channel");
    const int type = status & midi::kTypeMask;
    if (type < midi::kNoteOff || type > midi::kPitchBend)
        throw EngineError("not a channel message");
    port().shortMessage(static_cast<std::uint8_t>(type | channel), dataByte(data1), dataByte(data2));
}

void PortPerformance::CloseDown()
{
    if (m_closed)
        return;
    m_closed = true;
    // The player first, so that nothing it sends follows the close.
    if (m_playback)
        m_playback->stop();
    m_playback.reset();
    if (m_port)
        m_device->release(this);
    m_port.reset();
    m_timeline.reset();
}

void PortPerformance::prepare(std::shared_ptr<const SongTimeline> timeline)
{
    requireOpen();
    m_timeline = std::move(timeline);
}

} // namespace tonvex
