#include "subset_sound_fonts.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>

#include <fcntl.h>
#include <unistd.h>

namespace tonvex {
namespace {

constexpr std::uint64_t kRiffSizeAt = 4; // the 32-bit size after "RIFF"
constexpr std::uint64_t kRiffHeader = 8;

struct Published {
    std::string realPath;
    std::uint64_t headSize = 0;
    std::vector<std::uint8_t> tables;
    std::uint8_t riffSize[4]{};
    std::uint64_t size() const { return headSize + tables.size(); }
};

std::mutex g_mutex;
std::map<std::string, std::shared_ptr<const Published>> g_published; // guarded by g_mutex

// One open view of a published file.
struct OpenFile {
    std::shared_ptr<const Published> file;
    int fd = -1;
    std::uint64_t position = 0;
    ~OpenFile()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

void* openFile(const char* name)
{
    std::shared_ptr<const Published> file;
    {
        std::lock_guard lock(g_mutex);
        const auto it = g_published.find(name ? name : "");
        if (it == g_published.end())
            return nullptr;
        file = it->second;
    }
    auto open = std::make_unique<OpenFile>();
    open->file = std::move(file);
    open->fd = ::open(open->file->realPath.c_str(), O_RDONLY | O_CLOEXEC);
    return open->fd < 0 ? nullptr : open.release();
}

int readFile(void* buffer, fluid_long_long_t count, void* handle)
{
    auto& open = *static_cast<OpenFile*>(handle);
    const Published& file = *open.file;
    if (count < 0 || static_cast<std::uint64_t>(count) > file.size() - open.position)
        return FLUID_FAILED;
    auto* out = static_cast<std::uint8_t*>(buffer);
    auto left = static_cast<std::uint64_t>(count);
    while (left > 0 && open.position < file.headSize) {
        const std::uint64_t want = std::min(left, file.headSize - open.position);
        const ssize_t got = ::pread(open.fd, out, want, static_cast<off_t>(open.position));
        if (got <= 0)
            return FLUID_FAILED;
        // The RIFF size is the subset's own.
        for (std::uint64_t at = open.position; at < open.position + std::uint64_t(got); ++at)
            if (at >= kRiffSizeAt && at < kRiffHeader)
                out[at - open.position] = file.riffSize[at - kRiffSizeAt];
        out += got;
        left -= std::uint64_t(got);
        open.position += std::uint64_t(got);
    }
    if (left > 0) {
        const std::uint64_t from = open.position - file.headSize;
        std::copy_n(file.tables.begin() + static_cast<std::ptrdiff_t>(from), left, out);
        open.position += left;
    }
    return FLUID_OK;
}

int seekFile(void* handle, fluid_long_long_t offset, int origin)
{
    auto& open = *static_cast<OpenFile*>(handle);
    fluid_long_long_t base = 0;
    if (origin == SEEK_CUR)
        base = static_cast<fluid_long_long_t>(open.position);
    else if (origin == SEEK_END)
        base = static_cast<fluid_long_long_t>(open.file->size());
    else if (origin != SEEK_SET)
        return FLUID_FAILED;
    const fluid_long_long_t target = base + offset;
    if (target < 0 || static_cast<std::uint64_t>(target) > open.file->size())
        return FLUID_FAILED;
    open.position = static_cast<std::uint64_t>(target);
    return FLUID_OK;
}

fluid_long_long_t tellFile(void* handle)
{
    return static_cast<fluid_long_long_t>(static_cast<OpenFile*>(handle)->position);
}

int closeFile(void* handle)
{
    delete static_cast<OpenFile*>(handle);
    return FLUID_OK;
}

} // namespace

fluid_sfloader_t* SubsetSoundFonts::newLoader(fluid_settings_t* settings)
{
    fluid_sfloader_t* loader = new_fluid_defsfloader(settings);
    if (loader && fluid_sfloader_set_callbacks(loader, openFile, readFile, seekFile, tellFile, closeFile) != FLUID_OK) {
        delete_fluid_sfloader(loader);
        return nullptr;
    }
    return loader;
}

void SubsetSoundFonts::publish(const std::string& name, const SoundFontIndex& index, std::vector<std::uint8_t> tables)
{
    auto file = std::make_shared<Published>();
    file->realPath = index.path();
    file->headSize = index.headSize();
    file->tables = std::move(tables);
    const std::uint64_t riffSize = file->size() - kRiffHeader;
    for (int i = 0; i < 4; ++i)
        file->riffSize[i] = static_cast<std::uint8_t>(riffSize >> (8 * i));
    std::lock_guard lock(g_mutex);
    g_published[name] = std::move(file);
}

void SubsetSoundFonts::withdraw(const std::string& name)
{
    std::lock_guard lock(g_mutex);
    g_published.erase(name);
}

} // namespace tonvex
