#pragma once

#include "engine.h"

namespace tonvex {

// Reads files into segments.
class FluidLoader : public Loader {
public:
    std::unique_ptr<Segment> LoadSegment(const std::string& path) override;
};

} // namespace tonvex
