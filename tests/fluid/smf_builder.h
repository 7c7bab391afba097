#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace tonvex::test {

using Bytes = std::vector<std::uint8_t>;

// Builds one track's events; each event takes the delta set by at() before it (0 if none).
class TrackBuilder {
public:
    TrackBuilder& at(std::uint32_t delta);
    TrackBuilder& tempo(std::uint32_t microsPerQuarter);
    TrackBuilder& program(int channel, int program);
    TrackBuilder& noteOn(int channel, int note, int velocity);
    TrackBuilder& noteOff(int channel, int note);
    TrackBuilder& meta(std::uint8_t type, const Bytes& data);
    // Any bytes after the delta (a status byte or running-status data).
    TrackBuilder& raw(std::initializer_list<std::uint8_t> bytes);
    TrackBuilder& end();

    // The events alone.
    const Bytes& events() const { return m_events; }
    // "MTrk", the events' length, the events.
    Bytes chunk() const;

private:
    void delta();

    Bytes m_events;
    std::uint32_t m_delta = 0;
};

// The variable-length form of a number.
Bytes varlen(std::uint32_t value);
// "MThd" header of length 6 followed by the chunks.
Bytes smfFile(const std::vector<Bytes>& chunks, int division = 96, int format = 1);
// A chunk with any id and a declared length that may differ from the data's.
Bytes rawChunk(const std::string& id, const Bytes& data, std::uint32_t declaredLength);

// Writes the bytes to a new file under the test's temporary directory; returns its path.
std::string writeTempFile(const std::string& name, const Bytes& bytes);

// Points XDG_CACHE_HOME at the test's temporary directory, so that the engine's log stays
// out of the user's cache.
void keepLogInTempDir();

} // namespace tonvex::test
