#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace tonvex {

// Position and length in the engine's music time.
using MusicTime = std::int32_t;

// Music time always counts this many ticks per quarter note, whatever the file's division.
inline constexpr int kTicksPerQuarter = 768;

// InitAudio: every audio feature.
inline constexpr std::uint32_t kAudioFeaturesAll = 63;
// InitAudio: default audio path of dynamic stereo.
inline constexpr int kPathDynamicStereo = 8;
// InitAudio: number of performance channels.
inline constexpr int kPerformanceChannels = 128;
// AddNotificationType: segment notifications, then performance notifications.
inline constexpr int kNotifySegment = 5;
inline constexpr int kNotifyPerformance = 1;
// SendMIDIPMSG flag: the time is reference time, so the message goes out at once.
inline constexpr std::uint32_t kMessageAtOnce = 1;
// Master volume in hundredths of a decibel.
inline constexpr long kMasterVolume = -312;

// Every failed engine operation throws this; callers skip the step.
class EngineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Audio parameters for InitAudio; all zero means "no field valid, use the engine's defaults".
struct AudioParams {
    std::uint32_t validFields = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t voices = 0;
};

class Performance;

// A song's running instance, returned by each start of a segment.
class SegmentState {
public:
    virtual ~SegmentState() = default;
    // Position reached in the song; throws EngineError on failure.
    virtual MusicTime GetSeek() = 0;
};

// A loaded song.
class Segment {
public:
    virtual ~Segment() = default;
    // Marks the segment as a Standard MIDI File; throws EngineError on failure.
    virtual void SetStandardMidiFile() = 0;
    // Makes the segment's instruments ready on the performance; throws EngineError on failure.
    virtual void Download(Performance& performance) = 0;
    // The song's length in music time; throws EngineError on failure.
    virtual MusicTime GetLength() = 0;
    // Where the next start begins; throws EngineError on failure.
    virtual void SetStartPoint(MusicTime start) = 0;
};

class Loader {
public:
    virtual ~Loader() = default;
    // The file as a segment; throws EngineError when the engine cannot play it.
    virtual std::unique_ptr<Segment> LoadSegment(const std::string& path) = 0;
};

class Performance {
public:
    virtual ~Performance() = default;
    // Opens the default audio output; throws EngineError on failure.
    virtual void InitAudio(std::uint32_t flags, const AudioParams& params, int defaultPathType,
                           int performanceChannels) = 0;
    // Subscribes to a notification type; throws EngineError on failure.
    virtual void AddNotificationType(int type) = 0;
    // Playback speed factor, 1.0 nominal; throws EngineError on failure.
    virtual void SetMasterTempo(float tempo) = 0;
    // Master level in hundredths of a decibel; throws EngineError on failure.
    virtual void SetMasterVolume(long hundredthsOfDb) = 0;
    // The performance's current music time; throws EngineError on failure.
    virtual MusicTime GetMusicTime() = 0;
    // Starts the segment at once as the primary segment; throws EngineError on failure.
    virtual std::unique_ptr<SegmentState> PlaySegmentEx(Segment& segment, std::uint32_t flags,
                                                        std::int64_t startTime) = 0;
    // Quarter notes per minute in force at the given music time; throws EngineError on failure.
    virtual double GetTempo(MusicTime time) = 0;
    // Stops the segment at once; throws EngineError on failure.
    virtual void StopEx(Segment& segment, std::int64_t stopTime, std::uint32_t flags) = 0;
    // Whether the segment is still sounding under that state; throws EngineError on failure.
    virtual bool IsPlaying(Segment& segment, SegmentState& state) = 0;
    // Sends one channel message; throws EngineError on failure.
    virtual void SendMIDIPMSG(std::int64_t time, std::uint32_t flags, int channel, int status,
                              int data1, int data2) = 0;
    // Stops output and frees the audio resources; throws EngineError on failure.
    virtual void CloseDown() = 0;
};

// The engine's root object: the factory of performances and loaders.
class MusicRoot {
public:
    virtual ~MusicRoot() = default;
    // A new performance; throws EngineError on failure.
    virtual std::unique_ptr<Performance> DirectMusicPerformanceCreate() = 0;
    // A new loader; throws EngineError on failure.
    virtual std::unique_ptr<Loader> DirectMusicLoaderCreate() = 0;
};

// Creates the root object; throws EngineError when no engine can be had.
using RootFactory = std::function<std::unique_ptr<MusicRoot>()>;

} // namespace tonvex
