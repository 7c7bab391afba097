#include "fluid_loader.h"

#include <fstream>
#include <iterator>
#include <vector>

#include "fluid_segment.h"
#include "smf_song.h"

namespace tonvex {

std::unique_ptr<Segment> FluidLoader::LoadSegment(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw EngineError("cannot open " + path);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                    std::istreambuf_iterator<char>());
    if (file.bad())
        throw EngineError("cannot read " + path);
    auto song = std::make_shared<const SmfSong>(SmfSong::parse(std::move(bytes)));
    return std::make_unique<FluidSegment>(std::move(song));
}

} // namespace tonvex
