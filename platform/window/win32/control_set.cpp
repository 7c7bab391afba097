#include "control_set.h"

#include <stdexcept>

#include <shellapi.h>

#include "main_controller.h"
#include "wide_text.h"

namespace tonvex::win32 {
namespace {

constexpr int kFirstControlId = 100;
// Long paths wrap in their tooltip rather than run off the screen.
constexpr int kTipWidth = 600;

// Windows' standard accessibility takes a control's text as its name and a lone '&' as the
// mark of an access key; doubled, it is read as itself.
std::wstring accessibleText(std::wstring_view text)
{
    std::wstring escaped;
    for (const wchar_t c : text) {
        escaped += c;
        if (c == L'&')
            escaped += L'&';
    }
    return escaped;
}

struct ControlKind {
    const wchar_t* className;
    DWORD style;
};

ControlKind kindOf(Control which)
{
    constexpr DWORD button = BS_OWNERDRAW | WS_TABSTOP;
    // SS_NOTIFY: a text keeps its presses, so a press on it never moves the window.
    constexpr DWORD text = SS_OWNERDRAW | SS_NOTIFY;
    switch (which) {
    case Control::InputBox:
    case Control::Close:
    case Control::AboutZone:
        return {L"BUTTON", button};
    case Control::OutputBox:
    case Control::Time:
    case Control::AboutPicture:
        return {L"STATIC", text};
    default:
        return buttonIndex(which) >= 0 ? ControlKind{L"BUTTON", button} : ControlKind{L"STATIC", text};
    }
}

std::wstring initialName(Control which)
{
    switch (which) {
    case Control::InputBox: return widen(layout::kInputTitle) + L": none";
    case Control::OutputBox: return widen(layout::kOutputTitle) + L": none";
    case Control::Time: return widen(layout::kTimeName);
    case Control::Close: return widen(layout::kCloseName);
    case Control::AboutZone:
    case Control::AboutPicture: return widen(layout::kAboutName);
    default: break;
    }
    if (const int button = buttonIndex(which); button >= 0)
        return widen(layout::kButtonNames[static_cast<std::size_t>(button)]);
    const int legend = static_cast<int>(which) - static_cast<int>(Control::FirstLegend);
    return widen(kLegends[static_cast<std::size_t>(legend)].text);
}

} // namespace

ControlSet::ControlSet(HWND parent, SUBCLASSPROC proc, DWORD_PTR data)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    for (int i = 0; i < kControlCount; ++i) {
        const auto which = static_cast<Control>(i);
        const ControlKind kind = kindOf(which);
        const DWORD visible = which == Control::AboutPicture ? 0 : WS_VISIBLE;
        const DWORD extended = which == Control::InputBox ? WS_EX_ACCEPTFILES : 0;
        const HWND hwnd = CreateWindowExW(extended, kind.className, initialName(which).c_str(),
                                          WS_CHILD | WS_CLIPSIBLINGS | visible | kind.style, 0, 0, 1, 1, parent,
                                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + i)), instance,
                                          nullptr);
        if (!hwnd)
            throw std::runtime_error("cannot create the window's controls");
        m_windows[static_cast<std::size_t>(i)] = hwnd;
        SetWindowSubclass(hwnd, proc, static_cast<UINT_PTR>(i), data);
    }
    // Only the input box takes drops; the drop is a copy, so the file manager keeps its file.
    DragAcceptFiles((*this)[Control::InputBox], TRUE);
    createTips(parent);
    describe();
}

ControlSet::~ControlSet() = default;

std::optional<Control> ControlSet::find(HWND hwnd) const
{
    for (int i = 0; i < kControlCount; ++i)
        if (hwnd && m_windows[static_cast<std::size_t>(i)] == hwnd)
            return static_cast<Control>(i);
    return std::nullopt;
}

void ControlSet::place(Control which, const Box& box, UINT dpi)
{
    const RECT area = scaled(box, dpi);
    SetWindowPos((*this)[which], nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void ControlSet::name(Label label, const std::string& text)
{
    const std::wstring shown = widen(text);
    const std::wstring none = shown.empty() ? L"none" : shown;
    switch (label) {
    case Label::DragFile:
        SetWindowTextW((*this)[Control::InputBox], accessibleText(widen(layout::kInputTitle) + L": " + none).c_str());
        break;
    case Label::OutputFile:
        SetWindowTextW((*this)[Control::OutputBox], accessibleText(widen(layout::kOutputTitle) + L": " + none).c_str());
        break;
    case Label::LabTime:
        SetWindowTextW((*this)[Control::Time],
                       (shown.empty() ? widen(layout::kTimeName) : widen(layout::kTimeName) + L" " + shown).c_str());
        break;
    }
}

void ControlSet::createTips(HWND parent)
{
    m_tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    if (!m_tips)
        return;
    for (const Control box : {Control::InputBox, Control::OutputBox}) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = parent;
        tool.uId = reinterpret_cast<UINT_PTR>((*this)[box]);
        tool.lpszText = LPSTR_TEXTCALLBACKW;
        SendMessageW(m_tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    SendMessageW(m_tips, TTM_SETMAXTIPWIDTH, 0, kTipWidth);
}

void ControlSet::describe()
{
    m_notes = std::make_unique<AccessibleNotes>();
    // What each button does, not its terse legend; the same words as on Linux.
    constexpr std::array<const wchar_t*, kButtonCount> buttons{
        L"Plays the input file from its start",
        L"Stops playback",
        L"Plays the last output file from its start",
        L"Stops playback",
        L"Reflects each note about C, downwards: D becomes B flat, E becomes A flat, G becomes F",
        L"Turns the keyboard upside down",
        L"Swaps C and A, D and G, E and F within the octave",
        L"Doubles each pitch class onto the whole-tone scale",
        L"Moves each note by at most a semitone onto C D E G A B",
    };
    for (int i = 0; i < kButtonCount; ++i) {
        std::wstring description = buttons[static_cast<std::size_t>(i)];
        if (const std::optional<PresetId> preset = presetOfButton(i))
            description += L"; writes the result beside the input, ending in " + widen(presetInfo(*preset).suffix);
        m_notes->describe((*this)[buttonControl(i)], description);
    }
    m_notes->describe((*this)[Control::InputBox], L"Drop a MIDI file here, or press to choose one");
    m_notes->describe((*this)[Control::Close], L"Stops playback and quits Tonvex");
    m_notes->describe((*this)[Control::AboutPicture],
                      L"Tonvex version 1.0, MIDI pitch transformer. Turns a MIDI file into a new piece of music "
                      L"by moving its notes: mirrored, inverted, turned upside down, spread over whole tones or "
                      L"drawn to a pentatonic scale. The rhythm stays as it was. Drop a .mid file on the input "
                      L"box, choose a transformation, then play the input or the result. Press Escape to close.");
}

} // namespace tonvex::win32
