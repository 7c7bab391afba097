#include "fluid_loader.h"

#include <memory>

#include "fluid_segment.h"
#include "smf_song.h"
#include "whole_file.h"

namespace tonvex {

std::unique_ptr<Segment> FluidLoader::LoadSegment(const std::string& path)
{
    auto bytes = readWholeFile(path);
    if (!bytes)
        throw EngineError("cannot open " + path);
    auto song = std::make_shared<const SmfSong>(SmfSong::parse(std::move(*bytes)));
    return std::make_unique<FluidSegment>(std::move(song));
}

} // namespace tonvex
