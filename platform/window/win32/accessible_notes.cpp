#include "accessible_notes.h"

namespace tonvex::win32 {
namespace {

// PROPID_ACC_DESCRIPTION, spelt out, as mingw-w64 declares the annotation GUIDs but defines none.
constexpr MSAAPROPID kDescription{0x4d48dfe4, 0xbd3f, 0x491f, {0xa6, 0x48, 0x49, 0x2d, 0x6f, 0x20, 0xc5, 0x88}};

} // namespace

AccessibleNotes::AccessibleNotes()
{
    // CLSID_AccPropServices and IID_IAccPropServices.
    constexpr CLSID service{0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
    constexpr IID services{0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
    if (FAILED(CoCreateInstance(service, nullptr, CLSCTX_INPROC_SERVER, services,
                                reinterpret_cast<void**>(m_service.ReleaseAndGetAddressOf()))))
        m_service.Reset();
}

AccessibleNotes::~AccessibleNotes()
{
    if (!m_service)
        return;
    for (HWND control : m_described) {
        MSAAPROPID property = kDescription;
        m_service->ClearHwndProps(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &property, 1);
    }
}

void AccessibleNotes::describe(HWND control, const std::wstring& description)
{
    if (m_service && SUCCEEDED(m_service->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                                         kDescription, description.c_str())))
        m_described.push_back(control);
}

} // namespace tonvex::win32
