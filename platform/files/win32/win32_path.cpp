#include "win32_path.h"

#include <windows.h>

#include <cstdint>

namespace tonvex {

namespace {

constexpr std::wstring_view kExtendedPrefix = L"\\\\?\\";
constexpr std::wstring_view kExtendedUncPrefix = L"\\\\?\\UNC\\";
constexpr std::wstring_view kDevicePrefix = L"\\\\.\\";
constexpr std::wstring_view kNtPrefix = L"\\??\\";
constexpr std::wstring_view kUncPrefix = L"\\\\";

constexpr char32_t kHighSurrogates = 0xD800;
constexpr char32_t kLowSurrogates = 0xDC00;
constexpr char32_t kSurrogatesEnd = 0xE000;
constexpr char32_t kLastBmp = 0xFFFF;
constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr char32_t kSurrogateBits = 0x3FF;
constexpr char32_t kSupplementaryBase = 0x10000;

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// Decodes one code point at `text[at]`, advancing `at`; false for ill-formed bytes. Surrogate
// code points are taken (generalized UTF-8), as Windows names may hold unpaired ones.
bool decode(std::string_view text, std::size_t& at, char32_t& point)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        point = lead;
        ++at;
        return true;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        point = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        point = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        point = lead & 0x07;
        minimum = kSupplementaryBase;
    } else {
        return false;
    }
    if (text.size() - at < length)
        return false;
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[at + i]);
        if (!isContinuation(byte))
            return false;
        point = (point << 6) | (byte & 0x3F);
    }
    if (point < minimum || point > kLastCodePoint)
        return false;
    at += length;
    return true;
}

void encode(char32_t point, std::string& out)
{
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | (point >> 6));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < kSupplementaryBase) {
        out += static_cast<char>(0xE0 | (point >> 12));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (point >> 18));
        out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

bool startsWith(std::wstring_view text, std::wstring_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

} // namespace

std::wstring wideFromUtf8(std::string_view text, bool& ok)
{
    std::wstring wide;
    wide.reserve(text.size());
    ok = true;
    std::size_t at = 0;
    while (at < text.size()) {
        char32_t point = 0;
        if (!decode(text, at, point)) {
            ok = false;
            return {};
        }
        if (point <= kLastBmp) {
            wide += static_cast<wchar_t>(point);
        } else {
            point -= kSupplementaryBase;
            wide += static_cast<wchar_t>(kHighSurrogates + (point >> 10));
            wide += static_cast<wchar_t>(kLowSurrogates + (point & kSurrogateBits));
        }
    }
    return wide;
}

std::string utf8FromWide(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t point = static_cast<char16_t>(text[i]);
        const bool high = point >= kHighSurrogates && point < kLowSurrogates;
        if (high && i + 1 < text.size()) {
            const char32_t next = static_cast<char16_t>(text[i + 1]);
            if (next >= kLowSurrogates && next < kSurrogatesEnd) {
                point = kSupplementaryBase + (((point - kHighSurrogates) << 10) | (next - kLowSurrogates));
                ++i;
            }
        }
        encode(point, out);
    }
    return out;
}

std::wstring extendedLengthPath(std::wstring_view fullPath)
{
    if (startsWith(fullPath, kExtendedPrefix) || startsWith(fullPath, kDevicePrefix) || startsWith(fullPath, kNtPrefix))
        return std::wstring(fullPath);
    if (startsWith(fullPath, kUncPrefix))
        return std::wstring(kExtendedUncPrefix) + std::wstring(fullPath.substr(kUncPrefix.size()));
    return std::wstring(kExtendedPrefix) + std::wstring(fullPath);
}

std::wstring win32Path(const std::string& path)
{
    bool ok = false;
    const std::wstring wide = wideFromUtf8(path, ok);
    if (!ok || wide.empty())
        return {};
    // Already extended: taken as it is, as Windows itself does.
    if (startsWith(wide, kExtendedPrefix))
        return wide;
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0)
            return {};
        if (length < full.size()) {
            full.resize(length);
            break;
        }
        full.resize(length); // the size needed, terminator included
    }
    return extendedLengthPath(full);
}

} // namespace tonvex
