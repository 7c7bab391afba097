#include "fluid_loader.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "fluid_segment.h"
#include "smf_song.h"

namespace tonvex {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The whole file; throws EngineError when it cannot be read (a directory, say).
std::vector<std::uint8_t> readWholeFile(const std::string& path)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throw EngineError("cannot open " + path);
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    if (std::ferror(file.get()))
        throw EngineError("cannot read " + path);
    return bytes;
}

} // namespace

std::unique_ptr<Segment> FluidLoader::LoadSegment(const std::string& path)
{
    auto song = std::make_shared<const SmfSong>(SmfSong::parse(readWholeFile(path)));
    return std::make_unique<FluidSegment>(std::move(song));
}

} // namespace tonvex
