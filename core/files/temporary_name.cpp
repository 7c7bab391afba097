#include "temporary_name.h"

#include <random>
#include <string_view>

#include "file_path.h"

namespace tonvex {

namespace {

constexpr std::string_view kNameLetters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr std::size_t kRandomLength = 6;
constexpr std::string_view kShortName = "tonvex";

} // namespace

std::string temporaryName(const std::string& target, bool shortForm)
{
    // One generator per thread, seeded once, so names cost no system call.
    thread_local std::minstd_rand generator(std::random_device{}());
    std::uniform_int_distribution<std::size_t> pick(0, kNameLetters.size() - 1);

    const std::size_t nameStart = fileNameStart(target);
    std::string name = target.substr(0, nameStart) + ".";
    name += shortForm ? std::string_view(kShortName) : std::string_view(target).substr(nameStart);
    name += '.';
    for (std::size_t i = 0; i < kRandomLength; ++i)
        name += kNameLetters[pick(generator)];
    return name;
}

} // namespace tonvex
