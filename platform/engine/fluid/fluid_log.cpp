#include "fluid_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <system_error>

#include <alsa/asoundlib.h>
#include <fluidsynth.h>

namespace tonvex {
namespace {

std::mutex g_logMutex;
std::FILE* g_logFile = nullptr;
bool g_logOpened = false;

const char* levelName(int level)
{
    switch (level) {
    case FLUID_PANIC: return "panic";
    case FLUID_ERR: return "error";
    case FLUID_WARN: return "warning";
    case FLUID_INFO: return "info";
    default: return "debug";
    }
}

// Runs on FluidSynth's threads too, so it must never throw.
void writeFluidMessage(int level, const char* message, void*) noexcept
{
    try {
        std::lock_guard lock(g_logMutex);
        if (!g_logOpened) {
            g_logOpened = true;
            const std::filesystem::path path = fluidLogPath();
            if (!path.empty()) {
                std::error_code error;
                std::filesystem::create_directories(path.parent_path(), error);
                g_logFile = std::fopen(path.c_str(), "a");
            }
        }
        if (g_logFile) {
            std::fprintf(g_logFile, "fluidsynth %s: %s\n", levelName(level), message ? message : "");
            std::fflush(g_logFile);
        }
    } catch (...) {
        // A message that cannot be logged is dropped.
    }
}

// ALSA reports a missing sound card on stderr unless told otherwise.
void writeAlsaMessage(const char* file, int line, const char* function, int, const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format ? format : "", args);
    va_end(args);
    char message[768];
    std::snprintf(message, sizeof message, "ALSA %s:%d (%s): %s", file ? file : "?", line,
                  function ? function : "?", text);
    writeFluidMessage(FLUID_WARN, message, nullptr);
}

} // namespace

std::filesystem::path fluidLogPath()
{
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && cache[0] == '/')
        return std::filesystem::path(cache) / "tonvex" / "tonvex.log";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::filesystem::path(home) / ".cache" / "tonvex" / "tonvex.log";
    return {};
}

void routeFluidLog()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level = 0; level < LAST_LOG_LEVEL; ++level)
            fluid_set_log_function(level, level == FLUID_DBG ? nullptr : writeFluidMessage, nullptr);
        snd_lib_error_set_handler(writeAlsaMessage);
    });
}

} // namespace tonvex
