#pragma once

#include "engine.h"

namespace tonvex {

// Reads files into segments, each with its messages merged in play order once.
class PortLoader : public Loader {
public:
    std::unique_ptr<Segment> LoadSegment(const std::string& path) override;
};

} // namespace tonvex
