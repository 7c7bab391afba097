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
      m_transport(m_state, m_engine, m_view),
      m_lifecycle(m_state, m_engine, m_view, m_transport, std::move(createRoot)),
      m_loader(m_state, m_engine, m_view, m_lifecycle, [this] { return m_closing; }),
      m_transform(std::move(transform))
{
}

MainController::~MainController() = default;

void MainController::DragFile_OLEDragDrop(const std::vector<std::string>& paths)
{
    // A drop during a run would change the paths the run still works with.
    if (m_transforming || m_closing)
        return;
    for (const auto& path : paths) {
        if (!holdsMidiMark(path))
            continue;
        m_state.InFileName = path;
        m_view.setCaption(Label::DragFile, m_state.InFileName);
        m_transport.StopMidiFile();
        m_view.setCaption(Label::OutputFile, std::string());
        m_state.OutFileName.clear();
        clearFaces(0, kButtonCount - 1);
        m_loader.OpenMIDIFIle();
        if (m_closing)
            return;
    }
}

void MainController::ImgBut_MouseDown(int index)
{
    if (m_transforming || m_closing || m_state.InFileName.empty())
        return;
    switch (index) {
    case kPlayInput:
        clearFaces(kPlayInput, kLastTransportButton);
        m_view.setFace(index, Face::Play);
        playFile(Label::DragFile, kLabTimeInputX, kLabTimeInputY);
        break;
    case kStopInput:
        clearFaces(kPlayInput, kLastTransportButton);
        m_view.setFace(index, Face::Stop);
        m_transport.StopMidiFile();
        break;
    case kPlayOutput:
        if (m_state.OutFileName.empty())
            return;
        clearFaces(kPlayInput, kLastTransportButton);
        m_view.setFace(index, Face::Play);
        playFile(Label::OutputFile, kLabTimeOutputX, kLabTimeOutputY);
        break;
    case kStopOutput:
        if (m_state.OutFileName.empty())
            return;
        clearFaces(kPlayInput, kLastTransportButton);
        m_view.setFace(index, Face::Stop);
        m_transport.StopMidiFile();
        break;
    default: {
        const std::optional<PresetId> preset = presetOfButton(index);
        if (!preset)
            return;
        clearFaces(kFirstPresetButton, kLastPresetButton);
        m_view.setFace(index, Face::Select);
        selectPreset(*preset, m_preset);
        m_transport.StopMidiFile();
        // A play-output press may have left the output path here; always transform the input.
        m_state.InFileName = m_view.caption(Label::DragFile);
        MIRROR();
        break;
    }
    }
}

void MainController::Timer1_Timer()
{
    m_transport.Timer1_Timer();
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
        result = m_transform(m_state.InFileName, m_preset, [this] { return yieldToWindow(); });
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
        m_state.OutFileName = result.outFileName;
        m_view.setCaption(Label::OutputFile, m_state.OutFileName);
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

void MainController::playFile(Label source, int labTimeX, int labTimeY)
{
    m_state.InFileName = m_view.caption(source);
    m_view.moveLabel(Label::LabTime, labTimeX, labTimeY);
    m_loader.OpenMIDIFIle();
    if (m_closing)
        return;
    m_transport.PlayMidiFile();
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
    m_lifecycle.CloseDevice();
    m_view.quit();
}

} // namespace tonvex
