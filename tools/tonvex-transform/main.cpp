// tonvex-transform PRESET FILE...: transforms each FILE as the window's button does and
// prints "ok OUTPUT" or "refused FILE: REASON" per file.

#include <cstdio>
#include <string>

#include "preset.h"
#include "transformation_run.h"

namespace {

std::string reason(tonvex::RunStatus status)
{
    return status == tonvex::RunStatus::Cancelled ? "cancelled" : tonvex::failureMessage(status);
}

void usage()
{
    std::fprintf(stderr, "usage: tonvex-transform PRESET FILE...\n  PRESET: Mirror, Reverse, Upside, Whole or Penta\n");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        usage();
        return 1;
    }
    tonvex::Preset preset;
    if (!tonvex::selectPreset(tonvex::presetButtonByName(argv[1]), preset)) {
        std::fprintf(stderr, "tonvex-transform: unknown preset '%s'\n", argv[1]);
        usage();
        return 1;
    }
    int status = 0;
    for (int i = 2; i < argc; ++i) {
        const std::string file = argv[i];
        const tonvex::RunResult result = tonvex::MIRROR(file, preset, [] { return true; });
        if (result.status == tonvex::RunStatus::Written) {
            std::printf("ok %s\n", result.outFileName.c_str());
        } else {
            std::printf("refused %s: %s\n", file.c_str(), reason(result.status).c_str());
            status = 1;
        }
    }
    return std::fflush(stdout) == 0 ? status : 1;
}
