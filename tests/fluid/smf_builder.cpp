#include "smf_builder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>
#include "temp_dir.h"

namespace tonvex::test {
namespace {

void appendLength(Bytes& out, std::uint32_t length)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(length >> shift));
}

} // namespace

Bytes varlen(std::uint32_t value)
{
    Bytes out{static_cast<std::uint8_t>(value & 0x7F)};
    while (value >>= 7)
        out.insert(out.begin(), static_cast<std::uint8_t>((value & 0x7F) | 0x80));
    return out;
}

TrackBuilder& TrackBuilder::at(std::uint32_t delta)
{
    m_delta = delta;
    return *this;
}

void TrackBuilder::delta()
{
    const Bytes v = varlen(m_delta);
    m_events.insert(m_events.end(), v.begin(), v.end());
    m_delta = 0;
}

TrackBuilder& TrackBuilder::tempo(std::uint32_t micros)
{
    return meta(0x51, {static_cast<std::uint8_t>(micros >> 16), static_cast<std::uint8_t>(micros >> 8),
                       static_cast<std::uint8_t>(micros)});
}

TrackBuilder& TrackBuilder::program(int channel, int program)
{
    delta();
    m_events.push_back(static_cast<std::uint8_t>(0xC0 | channel));
    m_events.push_back(static_cast<std::uint8_t>(program));
    return *this;
}

TrackBuilder& TrackBuilder::noteOn(int channel, int note, int velocity)
{
    delta();
    m_events.push_back(static_cast<std::uint8_t>(0x90 | channel));
    m_events.push_back(static_cast<std::uint8_t>(note));
    m_events.push_back(static_cast<std::uint8_t>(velocity));
    return *this;
}

TrackBuilder& TrackBuilder::noteOff(int channel, int note)
{
    delta();
    m_events.push_back(static_cast<std::uint8_t>(0x80 | channel));
    m_events.push_back(static_cast<std::uint8_t>(note));
    m_events.push_back(0);
    return *this;
}

TrackBuilder& TrackBuilder::meta(std::uint8_t type, const Bytes& data)
{
    delta();
    m_events.push_back(0xFF);
    m_events.push_back(type);
    const Bytes length = varlen(static_cast<std::uint32_t>(data.size()));
    m_events.insert(m_events.end(), length.begin(), length.end());
    m_events.insert(m_events.end(), data.begin(), data.end());
    return *this;
}

TrackBuilder& TrackBuilder::raw(std::initializer_list<std::uint8_t> bytes)
{
    delta();
    m_events.insert(m_events.end(), bytes.begin(), bytes.end());
    return *this;
}

TrackBuilder& TrackBuilder::end()
{
    return meta(0x2F, {});
}

Bytes TrackBuilder::chunk() const
{
    return rawChunk("MTrk", m_events, static_cast<std::uint32_t>(m_events.size()));
}

Bytes rawChunk(const std::string& id, const Bytes& data, std::uint32_t declaredLength)
{
    Bytes out(id.begin(), id.end());
    appendLength(out, declaredLength);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

Bytes smfFile(const std::vector<Bytes>& chunks, int division, int format)
{
    Bytes out{'M', 'T', 'h', 'd'};
    appendLength(out, 6);
    out.push_back(static_cast<std::uint8_t>(format >> 8));
    out.push_back(static_cast<std::uint8_t>(format));
    out.push_back(static_cast<std::uint8_t>(chunks.size() >> 8));
    out.push_back(static_cast<std::uint8_t>(chunks.size()));
    out.push_back(static_cast<std::uint8_t>(division >> 8));
    out.push_back(static_cast<std::uint8_t>(division));
    for (const Bytes& chunk : chunks)
        out.insert(out.end(), chunk.begin(), chunk.end());
    return out;
}

const TempDir& tempDir()
{
    static const TempDir dir;
    return dir;
}

std::string writeTempFile(const std::string& name, const Bytes& bytes)
{
    const std::filesystem::path path = tempDir().path() / name;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
    return path.string();
}

void keepLogInTempDir()
{
    ::setenv("XDG_CACHE_HOME", (tempDir().path() / "cache").c_str(), 1);
}

} // namespace tonvex::test
