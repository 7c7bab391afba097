#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine.h"

namespace tonvex::test {

// A scriptable engine: records every call with its arguments in `calls`, answers from the
// values below, and throws EngineError from any operation named in `failing`.
// Segments are named in the log by the path they were loaded from.
class FakeEngine {
public:
    // A factory for Initialize; "CreateRoot" can be failed like any operation.
    RootFactory rootFactory();

    // Throws EngineError if `operation` is scripted to fail; records the call either way.
    void record(const std::string& operation, const std::string& arguments = {});

    std::vector<std::string> calls;
    std::set<std::string> failing;
    std::set<std::string> unloadable; // paths LoadSegment refuses

    MusicTime length = 768 * 4 * 60;
    MusicTime seek = 0;
    MusicTime musicTime = 0;
    double tempo = 120.0;
    bool playing = true;

    int livePerformances = 0;
    int maxLivePerformances = 0;
    int openPerformances = 0; // InitAudio done, CloseDown not yet
    int maxOpenPerformances = 0;
    int liveSegments = 0;
    int liveStates = 0;

    // Calls whose name (text before the '(') is `operation`.
    std::vector<std::string> callsOf(const std::string& operation) const;
    // The calls with their arguments, minus releases ("~...") unless asked for.
    std::vector<std::string> operations(bool withReleases = false) const;
};

} // namespace tonvex::test
