#pragma once

#include <array>

#include <windows.h>

#include "gdi_object.h"
#include "pixel_image.h"

namespace tonvex::win32 {

enum class Picture { Skin, About, Play, Stop, Select };
inline constexpr int kPictureCount = 5;

// The window's pictures from the program's resources, each at its size on a screen of a
// given dpi: the 1x art at 96 dpi, the 2x art resampled above it.
class Artwork {
public:
    // Loads every picture; one that cannot be loaded stays empty (bitmap() is null).
    explicit Artwork(UINT dpi);

    // A 32-bit bitmap to select into a memory DC; null when the picture is missing.
    HBITMAP bitmap(Picture picture) const { return m_bitmaps[index(picture)].get(); }
    // The picture's size at this dpi.
    SIZE size(Picture picture) const { return m_sizes[index(picture)]; }

    // The size of a picture at 96 dpi.
    static SIZE naturalSize(Picture picture);

    // The picture from resource `name` (a BITMAP, or a PNG file as RCDATA); empty when
    // missing or unreadable.
    static PixelImage load(const wchar_t* name, bool png);

private:
    static std::size_t index(Picture picture) { return static_cast<std::size_t>(picture); }

    std::array<GdiObject<HBITMAP>, kPictureCount> m_bitmaps;
    std::array<SIZE, kPictureCount> m_sizes{};
};

} // namespace tonvex::win32
