#include "main_controller.h"

#include <array>
#include <utility>

#include "midi_mark.h"

namespace tonvex {
namespace {

// Where the time display sits: right of "INPUT FILE", left of "OUTPUT FILE".
constexpr int kLabTimeInputX = 185;
constexpr int kLabTimeInputY = 153;
constexpr int kLabTimeOutputX = 250;
constexpr int kLabTimeOutputY = 219;

// The transformation buttons, left to right after the transport buttons.
constexpr std::array kPresetButtons{PresetId::Mirror, PresetId::Reverse, PresetId::Upside, PresetId::Whole,
                                    PresetId::Penta};
constexpr int kFirstPresetButton = kLastTransportButton + 1;
constexpr int kLastPresetButton = kFirstPresetButton + static_cast<int>(kPresetButtons.size()) - 1;
static_assert(kLastPresetButton == kButtonCount - 1);

} // namespace

std::optional<PresetId> presetOfButton(int index)
{
    if (index < kFirstPresetButton || index > kLastPresetButton)
        return std::nullopt;
    return kPresetButtons[static_cast<std::size_t>(index - kFirstPresetButton)];
}

MainController::MainController(View& view, RootFactory createRoot, Transformation transform)
    : m_view(view),
      m_playback(view, std::move(createRoot)),
      m_loader(m_playback, [this] { return m_closing; }),
      m_transform(std::move(transform))
{
}

MainController::~MainController() = default;

void MainController::DragFile_OLEDragDrop(const std::vector<std::string>& paths)
{
    // A drop during a run would change the paths the run still works with.
    if (m_transforming || m_closing)
        return;
    MainState& s = m_playback.state();
    for (const auto& path : paths) {
        if (!holdsMidiMark(path))
            continue;
        s.InFileName = path;
        s.DroppedFileName = path;
        m_view.setCaption(Label::DragFile, s.InFileName);
        m_playback.transport().StopMidiFile();
        // The time shown belonged to the previous file.
        m_view.setCaption(Label::LabTime, std::string());
        m_view.setCaption(Label::OutputFile, std::string());
        s.OutFileName.clear();
        clearFaces(0, kButtonCount - 1);
        m_loader.OpenMIDIFIle();
        if (m_closing)
            return;
    }
}

void MainController::ImgBut_MouseDown(int index)
{
    MainState& s = m_playback.state();
    if (m_transforming || m_closing || s.InFileName.empty())
        return;
    switch (index) {
    case kPlayInput:
        clearFaces(kPlayInput, kLastTransportButton);
        m_view.setFace(index, Face::Play);
        playFile(s.DroppedFileName, kLabTimeInputX, kLabTimeInputY);
        break;
    case kStopInput:
        clearFaces(kPlayInput, kLastTransportButton);
        m_view.setFace(index, Face::Stop);
        m_playback.transport().StopMidiFile();
        break;
    case kPlayOutput:
        if (s.OutFileName.empty())
            return;
        clearFaces(kPlayInput, kLastTransportButton);
        m_view.setFace(index, Face::Play);
        playFile(s.OutFileName, kLabTimeOutputX, kLabTimeOutputY);
        break;
    case kStopOutput:
        if (s.OutFileName.empty())
            return;
        clearFaces(kPlayInput, kLastTransportButton);
        m_view.setFace(index, Face::Stop);
        m_playback.transport().StopMidiFile();
        break;
    default: {
        const std::optional<PresetId> preset = presetOfButton(index);
        if (!preset)
            return;
        clearFaces(kFirstPresetButton, kLastPresetButton);
        m_view.setFace(index, Face::Select);
        selectPreset(*preset, m_preset);
        m_playback.transport().stopAndShow();
        // A play-output press may have left the output path here; always transform the input.
        s.InFileName = s.DroppedFileName;
        MIRROR();
        break;
    }
    }
}

void MainController::Timer1_Timer()
{
    m_playback.transport().Timer1_Timer();
}

void MainController::Shut_Click()
{
    if (m_closing)
        return;
    if (m_transforming) {
        // The run sees this at its next yield, removes its temporary file and returns;
        // MIRROR then closes the program.
        m_closeRequested = true;
        return;
    }
    closeAndQuit();
}

void MainController::MIRROR()
{
    m_transforming = true;
    m_closeRequested = false;
    m_lastYield = std::chrono::steady_clock::now();
    RunResult result;
    try {
        result = m_transform(m_playback.state().InFileName, m_preset, [this] { return yieldToWindow(); });
    } catch (...) {
        m_transforming = false;
        throw;
    }
    m_transforming = false;

    if (m_closeRequested) {
        closeAndQuit();
        return;
    }
    switch (result.status) {
    case RunStatus::Written:
        m_playback.state().OutFileName = result.outFileName;
        m_view.setCaption(Label::OutputFile, m_playback.state().OutFileName);
        break;
    case RunStatus::CannotRead:
    case RunStatus::CannotWrite:
        m_view.showMessage(failureMessage(result.status));
        break;
    case RunStatus::Cancelled:
        break;
    }
}

void MainController::clearFaces(int first, int last)
{
    for (int button = first; button <= last; ++button)
        m_view.setFace(button, Face::None);
}

void MainController::playFile(const std::string& path, int labTimeX, int labTimeY)
{
    m_playback.state().InFileName = path;
    m_view.moveLabel(Label::LabTime, labTimeX, labTimeY);
    m_loader.OpenMIDIFIle();
    if (m_closing)
        return;
    m_playback.transport().PlayMidiFile();
}

bool MainController::yieldToWindow()
{
    // One clock read per event is cheap; an event-loop pass per event is not.
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastYield >= kYieldInterval) {
        m_view.processEvents();
        m_lastYield = std::chrono::steady_clock::now();
    }
    return !m_closeRequested;
}

void MainController::closeAndQuit()
{
    m_closing = true;
    m_playback.lifecycle().CloseDevice();
    m_view.quit();
}

} // namespace tonvex
