#include "window_painter.h"

#include <algorithm>

#include "memory_dc.h"
#include "wide_text.h"

namespace tonvex::win32 {
namespace {

// Font sizes in hundredths of a point.
constexpr int kSmallPoints = static_cast<int>(layout::kSmallPoints * 100 + 0.5);
constexpr int kClosePoints = static_cast<int>(layout::kClosePoints * 100 + 0.5);

// The focus ring: a thin ring in two tones, so it reads on the dark panel and on the light
// square under "X" alike.
constexpr COLORREF kRingLight = RGB(0xff, 0xff, 0xff);
constexpr COLORREF kRingDark = RGB(0x00, 0x00, 0x00);

constexpr UINT kOneLine = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT;

GdiObject<HFONT> makeFont(const wchar_t* family, int hundredthsOfPoint, bool bold, UINT dpi)
{
    const int height = -MulDiv(hundredthsOfPoint, static_cast<int>(dpi), 72 * 100);
    return GdiObject<HFONT>(CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                        DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                        DEFAULT_PITCH | FF_SWISS, family));
}

Picture facePicture(Face face)
{
    switch (face) {
    case Face::Play: return Picture::Play;
    case Face::Stop: return Picture::Stop;
    default: return Picture::Select;
    }
}

bool takesFocusRing(Control control)
{
    return control == Control::InputBox || buttonIndex(control) >= 0 || control == Control::Close
           || control == Control::AboutZone;
}

} // namespace

WindowPainter::WindowPainter(UINT dpi)
    : m_dpi(dpi),
      m_art(dpi),
      m_pathFont(makeFont(L"Arial", kSmallPoints, false, dpi)),
      m_legendFont(makeFont(L"Arial", kSmallPoints, true, dpi)),
      m_closeFont(makeFont(L"Arial", kClosePoints, true, dpi)),
      // The scalable twin of the bitmap font "MS Sans Serif", sharp at every dpi.
      m_timeFont(makeFont(L"Microsoft Sans Serif", kSmallPoints, true, dpi))
{
}

void WindowPainter::paint(HDC dc, const Scene& scene) const
{
    if (m_art.bitmap(Picture::Skin)) {
        drawPicture(dc, Picture::Skin, 0, 0);
    } else {
        const RECT all{0, 0, scaled(kWidth, m_dpi), scaled(kHeight, m_dpi)};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    }
    for (int i = 0; i < kButtonCount; ++i) {
        const Face face = scene.faces[static_cast<std::size_t>(i)];
        const Box& button = kButtons[static_cast<std::size_t>(i)];
        if (face != Face::None)
            drawPicture(dc, facePicture(face), button.x, button.y);
    }
    drawFocusRing(dc, scene);

    SetBkMode(dc, TRANSPARENT);
    const UINT path = kOneLine | DT_PATH_ELLIPSIS;
    const auto caption = [&scene](Label label) { return widen(scene.captions[Scene::at(label)]); };
    drawText(dc, caption(Label::DragFile), m_pathFont.get(), kInk, scene.box(Control::InputBox), path);
    drawText(dc, caption(Label::OutputFile), m_pathFont.get(), kInk, scene.box(Control::OutputBox), path);
    drawText(dc, caption(Label::LabTime), m_timeFont.get(), kWhite, scene.box(Control::Time), kOneLine);
    for (const Legend& legend : kLegends)
        drawText(dc, widen(legend.text), m_legendFont.get(), kWhite, legend.box, kOneLine);
    drawText(dc, L"X", m_closeFont.get(), kInk, scene.box(Control::Close), kOneLine);

    if (scene.aboutShown)
        drawPicture(dc, Picture::About, kAboutPicture.x, kAboutPicture.y);
}

bool WindowPainter::showsWhole(std::wstring_view path) const
{
    const HDC dc = GetDC(nullptr);
    const HGDIOBJ previous = SelectObject(dc, m_pathFont.get());
    SIZE extent{};
    GetTextExtentPoint32W(dc, path.data(), static_cast<int>(path.size()), &extent);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    return extent.cx <= scaled(kInputBox.width, m_dpi);
}

void WindowPainter::drawPicture(HDC dc, Picture picture, int x, int y) const
{
    const HBITMAP bitmap = m_art.bitmap(picture);
    if (!bitmap)
        return;
    const MemoryDc source(bitmap);
    const SIZE size = m_art.size(picture);
    BitBlt(dc, scaled(x, m_dpi), scaled(y, m_dpi), size.cx, size.cy, source.get(), 0, 0, SRCCOPY);
}

void WindowPainter::drawText(HDC dc, std::wstring_view text, HFONT font, COLORREF colour, const Box& box,
                             UINT format) const
{
    if (text.empty())
        return;
    RECT area = scaled(box, m_dpi);
    HGDIOBJ previous = SelectObject(dc, font);
    SetTextColor(dc, colour);
    DrawTextW(dc, text.data(), static_cast<int>(text.size()), &area, format);
    SelectObject(dc, previous);
}

void WindowPainter::drawFocusRing(HDC dc, const Scene& scene) const
{
    if (!scene.focusRing || !takesFocusRing(*scene.focusRing) || scene.aboutShown)
        return;
    const Control control = *scene.focusRing;
    RECT area = scaled(scene.box(control), m_dpi);
    // A button's key is drawn as large as its lit face, which may be larger than the button.
    if (const int button = buttonIndex(control); button >= 0) {
        const SIZE face = m_art.size(facePicture(layout::litFace(button)));
        area.right = std::max(area.right, area.left + face.cx);
        area.bottom = std::max(area.bottom, area.top + face.cy);
    }
    const int gap = scaled(control == Control::Close ? layout::kCloseRingGap : layout::kRingGap, m_dpi);
    const int width = std::max(1, scaled(1, m_dpi));
    const int radius = scaled(2 * layout::kRingRadius, m_dpi);
    InflateRect(&area, gap, gap);
    HGDIOBJ previousBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    const COLORREF tones[] = {kRingDark, kRingLight};
    for (int i = 0; i < 2; ++i) {
        const int outset = (2 - i) * width;
        GdiObject<HPEN> pen(CreatePen(PS_INSIDEFRAME, width, tones[i]));
        HGDIOBJ previousPen = SelectObject(dc, pen.get());
        RoundRect(dc, area.left - outset, area.top - outset, area.right + outset, area.bottom + outset,
                  radius + 2 * outset, radius + 2 * outset);
        SelectObject(dc, previousPen);
    }
    SelectObject(dc, previousBrush);
}

} // namespace tonvex::win32
