#include "port_loader.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "port_segment.h"
#include "smf_song.h"
#include "song_timeline.h"

namespace tonvex {
namespace {

// The whole file at a UTF-8 path; throws EngineError when it cannot be read (a directory, say).
std::vector<std::uint8_t> readWholeFile(const std::string& path)
{
    const std::filesystem::path native(std::u8string(path.begin(), path.end()));
    std::error_code error;
    if (!std::filesystem::is_regular_file(native, error))
        throw EngineError("cannot open " + path);
    std::ifstream in(native, std::ios::binary);
    if (!in)
        throw EngineError("cannot open " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

std::unique_ptr<Segment> PortLoader::LoadSegment(const std::string& path)
{
    auto song = std::make_shared<const SmfSong>(SmfSong::parse(readWholeFile(path)));
    return std::make_unique<PortSegment>(std::make_shared<const SongTimeline>(std::move(song)));
}

} // namespace tonvex
