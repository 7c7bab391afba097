#pragma once

#include <string_view>

#include <windows.h>

#include "artwork.h"
#include "gdi_object.h"
#include "scene.h"

namespace tonvex::win32 {

// Draws the whole window, skin, faces, texts, focus ring and about picture, at one dpi.
class WindowPainter {
public:
    explicit WindowPainter(UINT dpi);

    UINT dpi() const { return m_dpi; }

    // Draws `scene` onto `dc`, a surface as large as the window at this dpi.
    void paint(HDC dc, const Scene& scene) const;

    // Whether a path box shows `path` whole, without an ellipsis.
    bool showsWhole(std::wstring_view path) const;

private:
    void drawPicture(HDC dc, Picture picture, int x, int y) const;
    void drawText(HDC dc, std::wstring_view text, HFONT font, COLORREF colour, const Box& box, UINT format) const;
    void drawFocusRing(HDC dc, const Scene& scene) const;

    UINT m_dpi;
    Artwork m_art;
    GdiObject<HFONT> m_pathFont;
    GdiObject<HFONT> m_legendFont;
    GdiObject<HFONT> m_closeFont;
    GdiObject<HFONT> m_timeFont;
};

} // namespace tonvex::win32
