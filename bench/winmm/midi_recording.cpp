#include "midi_recording.h"

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>

#include <windows.h>

#include "event_cursor.h"

namespace tonvex::bench {
namespace {

double frequency()
{
    LARGE_INTEGER perSecond;
    QueryPerformanceFrequency(&perSecond);
    return static_cast<double>(perSecond.QuadPart);
}

// A channel message as the stand-in writes what midiOutShortMsg gets.
std::string packed(const SongEvent& event)
{
    const unsigned value = event.status | (unsigned{event.data[0]} << 8)
                           | (event.data.size() > 1 ? unsigned{event.data[1]} << 16 : 0u);
    char text[16];
    std::snprintf(text, sizeof text, "%06x", value);
    return text;
}

} // namespace

double counterSeconds()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / frequency();
}

std::vector<RecordedCall> readRecording(const std::string& path)
{
    const double perSecond = frequency();
    std::vector<RecordedCall> calls;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        long long counter = 0;
        RecordedCall call;
        fields >> counter >> call.call >> call.argument;
        call.seconds = static_cast<double>(counter) / perSecond;
        calls.push_back(call);
    }
    return calls;
}

std::vector<double> lateness(const std::vector<RecordedCall>& calls, const std::vector<std::uint8_t>& song,
                             double startSeconds)
{
    auto timeline = std::make_shared<const SongTimeline>(std::make_shared<const SmfSong>(SmfSong::parse(song)));
    EventCursor cursor(timeline, 0);
    std::vector<double> late;
    auto call = calls.begin();
    while (auto event = cursor.next()) {
        if (event->kind != SongEvent::Kind::Channel)
            continue;
        while (call != calls.end() && (call->call != "short" || call->seconds < startSeconds))
            ++call;
        if (call == calls.end() || call->argument != packed(*event))
            throw std::runtime_error("message " + std::to_string(late.size()) + " is not " + packed(*event));
        late.push_back((call->seconds - startSeconds) * 1e3 - static_cast<double>(event->dueMicros) / 1e3);
        ++call;
    }
    return late;
}

} // namespace tonvex::bench
