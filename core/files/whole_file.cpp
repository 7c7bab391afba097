#include "whole_file.h"

#include "file_byte_source.h"

namespace tonvex {

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path)
{
    FileByteSource in(path);
    if (!in.isOpen())
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    std::uint8_t first = 0;
    // get() refills the source's window; the rest of the window is taken whole.
    while (in.get(first)) {
        bytes.push_back(first);
        const auto rest = in.window();
        bytes.insert(bytes.end(), rest.begin(), rest.end());
        in.skip(rest.size());
    }
    return bytes;
}

} // namespace tonvex
