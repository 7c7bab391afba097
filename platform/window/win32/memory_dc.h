#pragma once

#include <windows.h>

namespace tonvex::win32 {

// A memory device context that keeps one bitmap selected for as long as it lives.
class MemoryDc {
public:
    // A context like the screen's with `bitmap` selected; get() is null when none can be made.
    explicit MemoryDc(HBITMAP bitmap) : m_dc(CreateCompatibleDC(nullptr))
    {
        if (m_dc)
            m_previous = SelectObject(m_dc, bitmap);
    }
    ~MemoryDc()
    {
        if (!m_dc)
            return;
        SelectObject(m_dc, m_previous);
        DeleteDC(m_dc);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;

    HDC get() const { return m_dc; }

private:
    HDC m_dc;
    HGDIOBJ m_previous = nullptr;
};

} // namespace tonvex::win32
