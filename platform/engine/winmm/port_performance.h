#pragma once

#include <memory>
#include <optional>

#include "engine.h"
#include "player_timer.h"
#include "port_device.h"
#include "port_playback.h"
#include "shared_port.h"
#include "song_timeline.h"

namespace tonvex {

// A performance on a MIDI port: the root's port while audio is open, and the playback of the
// song it last started. The synthesizer behind the port brings its own General MIDI sounds.
class PortPerformance : public Performance {
public:
    PortPerformance(std::shared_ptr<PortDevice> device, PlayerTimerFactory makeTimer);
    ~PortPerformance() override;

    PortPerformance(const PortPerformance&) = delete;
    PortPerformance& operator=(const PortPerformance&) = delete;

    void InitAudio(std::uint32_t flags, const AudioParams& params, int defaultPathType,
                   int performanceChannels) override;
    void AddNotificationType(int type) override;
    void SetMasterTempo(float tempo) override;
    void SetMasterVolume(long hundredthsOfDb) override;
    MusicTime GetMusicTime() override;
    std::unique_ptr<SegmentState> PlaySegmentEx(Segment& segment, std::uint32_t flags,
                                                std::int64_t startTime) override;
    double GetTempo(MusicTime time) override;
    void StopEx(Segment& segment, std::int64_t stopTime, std::uint32_t flags) override;
    bool IsPlaying(Segment& segment, SegmentState& state) override;
    void SendMIDIPMSG(std::int64_t time, std::uint32_t flags, int channel, int status, int data1,
                      int data2) override;
    void CloseDown() override;

    // Makes the song the one whose tempo GetTempo answers; throws EngineError once closed down.
    void prepare(std::shared_ptr<const SongTimeline> timeline);

private:
    void requireOpen() const;
    SharedPort& port() const;

    std::shared_ptr<PortDevice> m_device;
    PlayerTimerFactory m_makeTimer;
    std::shared_ptr<SharedPort> m_port;
    // Stopped before the port closes.
    std::shared_ptr<PortPlayback> m_playback;
    std::shared_ptr<const SongTimeline> m_timeline;
    std::optional<double> m_gain;
    float m_masterTempo = 1.0f;
    bool m_closed = false;
};

} // namespace tonvex
