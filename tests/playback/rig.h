#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include <unistd.h>

#include "fake_engine.h"
#include "fake_view.h"
#include "input_loader.h"
#include "playback.h"
#include "temp_dir.h"

namespace tonvex::test {

// The window's state and the three routines wired to a fake engine and a fake view.
// The engine comes first so that it outlives the objects it hands out.
struct Rig {
    FakeEngine engine;
    FakeView view;
    Playback playback{view, engine.rootFactory()};
    InputLoader loader{playback};
    MainState& state = playback.state();
    EngineSlots& slots = playback.engine();
    Transport& transport = playback.transport();
    EngineLifecycle& lifecycle = playback.lifecycle();

    Rig()
    {
        // Marks in the engine log where the window's events ran.
        view.onProcessEvents = [this] { engine.calls.push_back("<events>"); };
    }

    // A built engine holding the song as its segment, as a load leaves it (no probe state).
    void loadSong(const std::string& path)
    {
        lifecycle.Initialize();
        slots.SongSegment = slots.MusicLoader->LoadSegment(path);
        state.InFileName = path;
        state.EngineReady = true;
    }

    // The engine calls made from now on only.
    void forget() { engine.calls.clear(); view.log.clear(); }
};

// The calls of Initialize on a working engine that has no root yet.
inline std::vector<std::string> initializeCalls()
{
    return {"CreateRoot()",        "DirectMusicPerformanceCreate()", "DirectMusicLoaderCreate()",
            "InitAudio(63,zero,8,128)", "AddNotificationType(5)",   "AddNotificationType(1)"};
}

// The calls of StopMidiFile on a loaded segment.
inline std::vector<std::string> stopCalls(const std::string& path)
{
    std::vector<std::string> calls;
    for (int channel = 0; channel < 16; ++channel)
        calls.push_back("SendMIDIPMSG(0,1," + std::to_string(channel) + ",176,120,0)");
    calls.push_back("StopEx(" + path + ",0,0)");
    calls.push_back("SetStartPoint(" + path + ",0)");
    return calls;
}

inline std::vector<std::string> concat(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> out;
    for (const auto& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

// The list without the calls whose operation is one of `names`.
inline std::vector<std::string> without(std::vector<std::string> calls, const std::vector<std::string>& names)
{
    std::erase_if(calls, [&](const std::string& call) {
        for (const auto& name : names)
            if (call.compare(0, name.size() + 1, name + "(") == 0)
                return true;
        return false;
    });
    return calls;
}

} // namespace tonvex::test
