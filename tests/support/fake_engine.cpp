#include "fake_engine.h"

#include <algorithm>
#include <memory>

namespace tonvex::test {
namespace {

std::string join(std::initializer_list<std::string> parts)
{
    std::string out;
    for (const auto& part : parts) {
        if (!out.empty())
            out += ',';
        out += part;
    }
    return out;
}

std::string num(long long value) { return std::to_string(value); }

class FakeSegment;

class FakeState : public SegmentState {
public:
    explicit FakeState(FakeEngine& engine) : m_engine(engine) { ++m_engine.liveStates; }
    ~FakeState() override
    {
        --m_engine.liveStates;
        m_engine.calls.push_back("~SegmentState");
    }
    MusicTime GetSeek() override
    {
        m_engine.record("GetSeek");
        return m_engine.seek;
    }

private:
    FakeEngine& m_engine;
};

class FakeSegment : public Segment {
public:
    FakeSegment(FakeEngine& engine, std::string path) : m_engine(engine), m_path(std::move(path))
    {
        ++m_engine.liveSegments;
    }
    ~FakeSegment() override
    {
        --m_engine.liveSegments;
        m_engine.calls.push_back("~Segment(" + m_path + ")");
    }
    void SetStandardMidiFile() override { m_engine.record("SetStandardMidiFile", m_path); }
    void Download(Performance&) override { m_engine.record("Download", m_path); }
    MusicTime GetLength() override
    {
        m_engine.record("GetLength", m_path);
        return m_engine.length;
    }
    void SetStartPoint(MusicTime start) override
    {
        m_engine.record("SetStartPoint", join({m_path, num(start)}));
    }
    const std::string& path() const { return m_path; }

private:
    FakeEngine& m_engine;
    std::string m_path;
};

std::string pathOf(Segment& segment)
{
    auto* fake = dynamic_cast<FakeSegment*>(&segment);
    return fake ? fake->path() : "?";
}

class FakePerformance : public Performance {
public:
    explicit FakePerformance(FakeEngine& engine) : m_engine(engine)
    {
        ++m_engine.livePerformances;
        m_engine.maxLivePerformances = std::max(m_engine.maxLivePerformances, m_engine.livePerformances);
    }
    ~FakePerformance() override
    {
        --m_engine.livePerformances;
        if (m_open)
            --m_engine.openPerformances;
        m_engine.calls.push_back("~Performance");
    }
    void InitAudio(std::uint32_t flags, const AudioParams& params, int pathType, int channels) override
    {
        const bool zeroParams = params.validFields == 0 && params.sampleRate == 0 && params.voices == 0;
        m_engine.record("InitAudio", join({num(flags), zeroParams ? "zero" : "set", num(pathType), num(channels)}));
        if (!m_open) {
            m_open = true;
            ++m_engine.openPerformances;
            m_engine.maxOpenPerformances = std::max(m_engine.maxOpenPerformances, m_engine.openPerformances);
        }
    }
    void AddNotificationType(int type) override { m_engine.record("AddNotificationType", num(type)); }
    void SetMasterTempo(float tempo) override { m_engine.record("SetMasterTempo", std::to_string(tempo)); }
    void SetMasterVolume(long volume) override { m_engine.record("SetMasterVolume", num(volume)); }
    MusicTime GetMusicTime() override
    {
        m_engine.record("GetMusicTime");
        return m_engine.musicTime;
    }
    std::unique_ptr<SegmentState> PlaySegmentEx(Segment& segment, std::uint32_t flags, std::int64_t start) override
    {
        m_engine.record("PlaySegmentEx", join({pathOf(segment), num(flags), num(start)}));
        return std::make_unique<FakeState>(m_engine);
    }
    double GetTempo(MusicTime time) override
    {
        m_engine.record("GetTempo", num(time));
        return m_engine.tempo;
    }
    void StopEx(Segment& segment, std::int64_t time, std::uint32_t flags) override
    {
        m_engine.record("StopEx", join({pathOf(segment), num(time), num(flags)}));
    }
    bool IsPlaying(Segment& segment, SegmentState&) override
    {
        m_engine.record("IsPlaying", pathOf(segment));
        return m_engine.playing;
    }
    void SendMIDIPMSG(std::int64_t time, std::uint32_t flags, int channel, int status, int data1, int data2) override
    {
        m_engine.record("SendMIDIPMSG", join({num(time), num(flags), num(channel), num(status), num(data1), num(data2)}));
    }
    void CloseDown() override
    {
        m_engine.record("CloseDown");
        if (m_open) {
            m_open = false;
            --m_engine.openPerformances;
        }
    }

private:
    FakeEngine& m_engine;
    bool m_open = false;
};

class FakeLoader : public Loader {
public:
    explicit FakeLoader(FakeEngine& engine) : m_engine(engine) {}
    ~FakeLoader() override { m_engine.calls.push_back("~Loader"); }
    std::unique_ptr<Segment> LoadSegment(const std::string& path) override
    {
        m_engine.record("LoadSegment", path);
        if (m_engine.unloadable.count(path))
            throw EngineError("cannot load " + path);
        return std::make_unique<FakeSegment>(m_engine, path);
    }

private:
    FakeEngine& m_engine;
};

class FakeRoot : public MusicRoot {
public:
    explicit FakeRoot(FakeEngine& engine) : m_engine(engine) {}
    ~FakeRoot() override { m_engine.calls.push_back("~Root"); }
    std::unique_ptr<Performance> DirectMusicPerformanceCreate() override
    {
        m_engine.record("DirectMusicPerformanceCreate");
        return std::make_unique<FakePerformance>(m_engine);
    }
    std::unique_ptr<Loader> DirectMusicLoaderCreate() override
    {
        m_engine.record("DirectMusicLoaderCreate");
        return std::make_unique<FakeLoader>(m_engine);
    }

private:
    FakeEngine& m_engine;
};

} // namespace

RootFactory FakeEngine::rootFactory()
{
    return [this]() -> std::unique_ptr<MusicRoot> {
        record("CreateRoot");
        return std::make_unique<FakeRoot>(*this);
    };
}

void FakeEngine::record(const std::string& operation, const std::string& arguments)
{
    calls.push_back(operation + "(" + arguments + ")");
    if (failing.count(operation))
        throw EngineError(operation + " scripted to fail");
}

std::vector<std::string> FakeEngine::callsOf(const std::string& operation) const
{
    std::vector<std::string> out;
    for (const auto& call : calls)
        if (call.compare(0, operation.size() + 1, operation + "(") == 0)
            out.push_back(call);
    return out;
}

std::vector<std::string> FakeEngine::operations(bool withReleases) const
{
    std::vector<std::string> out;
    for (const auto& call : calls)
        if (withReleases || call.front() != '~')
            out.push_back(call);
    return out;
}

} // namespace tonvex::test
