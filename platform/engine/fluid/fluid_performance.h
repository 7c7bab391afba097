#pragma once

#include <chrono>
#include <memory>

#include "audio_output.h"
#include "engine.h"
#include "fluid_core.h"
#include "fluid_playback.h"
#include "smf_song.h"
#include "song_survey.h"

namespace tonvex {

class FluidSegment;

// A performance on the program's one synthesizer: the audio output while it is open and the
// player of the song it last started. While a song plays, an output whose server went away
// is reopened in the background; the song goes on from where the sound stopped.
class FluidPerformance : public Performance {
public:
    explicit FluidPerformance(std::shared_ptr<FluidCore> core);
    ~FluidPerformance() override;

    FluidPerformance(const FluidPerformance&) = delete;
    FluidPerformance& operator=(const FluidPerformance&) = delete;

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

    // Makes the segment's song the one whose tempo GetTempo answers, sets the gain it needs
    // and has its presets loaded (on the presets' worker); throws EngineError once closed down.
    void prepare(const FluidSegment& segment);
    // Name of the audio driver in use ("pulseaudio", "alsa"); empty when none is open, and
    // while the one open is lost.
    const char* driverName() const;
    // How often a lost output is tried again.
    void setReopenInterval(std::chrono::milliseconds interval);

    // The synthesizer's gain for a song, before the master volume: as high as the song's
    // densest moment allows without clipping (see the rule in the source).
    static float gainFor(const SongSurvey& survey);

private:
    void requireOpen() const;
    void openOutput();
    void applyGain();

    std::shared_ptr<FluidCore> m_core;
    // Released before the player it renders, which goes before the synthesizer.
    std::unique_ptr<AudioOutput> m_output;
    std::shared_ptr<FluidPlayback> m_playback;
    std::shared_ptr<const SmfSong> m_song;
    std::chrono::milliseconds m_reopenInterval;
    float m_masterTempo = 1.0f;
    double m_masterLevel = 1.0; // the master volume as a factor
    bool m_audioReady = false;
    bool m_closed = false;
};

} // namespace tonvex
