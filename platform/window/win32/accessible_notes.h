#pragma once

#include <string>
#include <vector>

#include <windows.h>
#include <oleacc.h>
#include <wrl/client.h>

namespace tonvex::win32 {

// Accessible descriptions of controls, which the system's accessibility cannot take from a
// window's text, given through its Dynamic Annotation service.
class AccessibleNotes {
public:
    AccessibleNotes();
    // Takes the descriptions back from the windows, as the service requires.
    ~AccessibleNotes();
    AccessibleNotes(const AccessibleNotes&) = delete;
    AccessibleNotes& operator=(const AccessibleNotes&) = delete;

    // Gives `control` a description; nothing where the service is missing.
    void describe(HWND control, const std::wstring& description);

private:
    Microsoft::WRL::ComPtr<IAccPropServices> m_service;
    std::vector<HWND> m_described;
};

} // namespace tonvex::win32
