#include "fluid_performance.h"

#include <cmath>

#include "fluid_driver_output.h"
#include "fluid_segment.h"
#include "fluid_segment_state.h"
#include "midi_bytes.h"
#include "pulse_output.h"

namespace tonvex {
namespace {

using namespace std::chrono_literals;

// Often enough that a returning server is heard again within a second, rarely enough to cost
// nothing while it stays away.
constexpr auto kReopenInterval = 500ms;
// Tried when no PulseAudio server answers.
constexpr const char* kFallbackDriver = "alsa";
constexpr int kAllChannels = -1;     // FluidSynth's channel wildcard
constexpr float kMinMasterTempo = 0.01f;
constexpr float kMaxMasterTempo = 100.0f;
constexpr long kMinVolume = -10000;  // hundredths of a decibel: -100 dB is silence
constexpr long kMaxVolume = 2000;
// Where the second data byte of a pitch bend goes in its 14-bit value.
constexpr int kPitchBendHighShift = 7;

FluidSegment& fluidSegment(Segment& segment)
{
    auto* fluid = dynamic_cast<FluidSegment*>(&segment);
    if (!fluid)
        throw EngineError("not a segment of this engine");
    return *fluid;
}

} // namespace

FluidPerformance::FluidPerformance(std::shared_ptr<FluidCore> core)
    : m_core(std::move(core)), m_reopenInterval(kReopenInterval)
{
}

FluidPerformance::~FluidPerformance()
{
    try {
        CloseDown();
    } catch (...) {
        // Teardown goes on regardless.
    }
}

void FluidPerformance::requireOpen() const
{
    if (m_closed)
        throw EngineError("the performance was closed down");
}

void FluidPerformance::openOutput()
{
    // PulseAudio first: it also serves PipeWire desktops.
    if ((m_output = PulseOutput::open(m_core, m_reopenInterval)))
        return;
    if ((m_output = FluidDriverOutput::open(m_core, kFallbackDriver)))
        return;
    throw EngineError("no audio output could be opened");
}

const char* FluidPerformance::driverName() const
{
    return m_output && m_output->connected() ? m_output->name() : "";
}

void FluidPerformance::setReopenInterval(std::chrono::milliseconds interval)
{
    m_reopenInterval = interval;
    if (m_output)
        m_output->setReopenInterval(interval);
}

void FluidPerformance::InitAudio(std::uint32_t, const AudioParams&, int, int performanceChannels)
{
    requireOpen();
    if (m_audioReady)
        throw EngineError("audio already open");
    if (performanceChannels <= 0)
        throw EngineError("no performance channels");
    if (!m_core->claimOutput(this))
        throw EngineError("another performance holds the audio output");
    // Nothing of the previous song carries over: programs, controllers, voices, level.
    fluid_synth_system_reset(m_core->synth());
    fluid_synth_set_gain(m_core->synth(), m_core->defaultGain());
    try {
        openOutput();
    } catch (...) {
        m_core->releaseOutput(this);
        throw;
    }
    m_audioReady = true;
}

void FluidPerformance::AddNotificationType(int)
{
    requireOpen();
}

void FluidPerformance::SetMasterTempo(float tempo)
{
    requireOpen();
    if (!(tempo >= kMinMasterTempo && tempo <= kMaxMasterTempo))
        throw EngineError("master tempo out of range");
    m_masterTempo = tempo;
    if (m_playback)
        m_playback->setTempo(tempo);
}

void FluidPerformance::SetMasterVolume(long hundredthsOfDb)
{
    requireOpen();
    if (hundredthsOfDb < kMinVolume || hundredthsOfDb > kMaxVolume)
        throw EngineError("master volume out of range");
    const double factor = std::pow(10.0, static_cast<double>(hundredthsOfDb) / 2000.0);
    fluid_synth_set_gain(m_core->synth(), static_cast<float>(m_core->defaultGain() * factor));
}

MusicTime FluidPerformance::GetMusicTime()
{
    requireOpen();
    return m_playback ? m_playback->position() : 0;
}

std::unique_ptr<SegmentState> FluidPerformance::PlaySegmentEx(Segment& segment, std::uint32_t,
                                                              std::int64_t)
{
    requireOpen();
    FluidSegment& fluid = fluidSegment(segment);
    if (!m_audioReady)
        throw EngineError("audio output not open");
    std::shared_ptr<FluidPlayback> playback;
    {
        // The synthesizer's timer list, which players join and leave, is not guarded against
        // the audio thread; the render lock is.
        std::lock_guard lock(m_core->renderMutex());
        if (m_playback)
            m_playback->release();
        m_playback.reset();
        fluid_synth_all_sounds_off(m_core->synth(), kAllChannels);
        playback = std::make_shared<FluidPlayback>(m_core, fluid.song(), fluid.startPoint(),
                                                   m_masterTempo);
    }
    m_song = fluid.song();
    m_playback = playback;
    m_output->setReopening(true);
    return std::make_unique<FluidSegmentState>(std::move(playback));
}

double FluidPerformance::GetTempo(MusicTime time)
{
    requireOpen();
    return m_song ? m_song->tempoAt(time) : midi::kDefaultBeatsPerMinute;
}

void FluidPerformance::StopEx(Segment& segment, std::int64_t, std::uint32_t)
{
    requireOpen();
    FluidSegment& fluid = fluidSegment(segment);
    if (m_playback && m_playback->plays(fluid.song().get())) {
        m_playback->stop();
        if (m_output)
            m_output->setReopening(false);
    }
}

bool FluidPerformance::IsPlaying(Segment& segment, SegmentState& state)
{
    requireOpen();
    FluidSegment& fluid = fluidSegment(segment);
    auto* fluidState = dynamic_cast<FluidSegmentState*>(&state);
    if (!fluidState)
        throw EngineError("not a segment state of this engine");
    FluidPlayback& playback = fluidState->playback();
    return playback.plays(fluid.song().get()) && playback.isPlaying();
}

void FluidPerformance::SendMIDIPMSG(std::int64_t, std::uint32_t, int channel, int status,
                                    int data1, int data2)
{
    requireOpen();
    fluid_synth_t* synth = m_core->synth();
    if (channel < 0 || channel >= fluid_synth_count_midi_channels(synth))
        throw EngineError("no such channel");
    if (data1 < 0 || data1 > midi::kDataBits || data2 < 0 || data2 > midi::kDataBits)
        throw EngineError("data byte out of range");
    int result = FLUID_FAILED;
    const int type = status & midi::kTypeMask;
    switch (type) {
    case midi::kControlChange: result = fluid_synth_cc(synth, channel, data1, data2); break;
    case midi::kNoteOn: result = fluid_synth_noteon(synth, channel, data1, data2); break;
    case midi::kNoteOff: result = fluid_synth_noteoff(synth, channel, data1); break;
    case midi::kProgramChange: result = fluid_synth_program_change(synth, channel, data1); break;
    case midi::kPitchBend:
        result = fluid_synth_pitch_bend(synth, channel, data1 | (data2 << kPitchBendHighShift));
        break;
    default: throw EngineError("unsupported channel message");
    }
    // A note-off for a note that is not sounding is no failure.
    if (result != FLUID_OK && type != midi::kNoteOff)
        throw EngineError("the synthesizer refused the message");
}

void FluidPerformance::CloseDown()
{
    if (m_closed)
        return;
    m_closed = true;
    // Audio output, then player; the synthesizer stays with the root.
    m_output.reset();
    {
        // An output thread left behind in a call to a hung server keeps off the player
        // while it goes.
        std::lock_guard lock(m_core->renderMutex());
        if (m_playback)
            m_playback->release();
        m_playback.reset();
        fluid_synth_all_sounds_off(m_core->synth(), kAllChannels);
    }
    m_core->releaseOutput(this);
    m_audioReady = false;
    m_song.reset();
}

void FluidPerformance::prepare(std::shared_ptr<const SmfSong> song)
{
    requireOpen();
    m_song = std::move(song);
}

} // namespace tonvex
