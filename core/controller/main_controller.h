#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "input_loader.h"
#include "main_state.h"
#include "playback.h"
#include "preset.h"
#include "transformation_run.h"
#include "view.h"

namespace tonvex {

// Transforms a file with a preset, calling the hook before every event.
using Transformation = std::function<RunResult(const std::string&, const Preset&, const YieldHook&)>;

// The preset of image button `index`: Mirror for 4 up to Penta for 8; nullopt for the others.
std::optional<PresetId> presetOfButton(int index);

// The window's whole logic: drops, the nine image buttons, the timer tick and the close
// button. Talks to the window only through View, so it runs without a display.
class MainController {
public:
    // The transformation's pending window events run at most once per this much work.
    static constexpr std::chrono::milliseconds kYieldInterval{5};

    MainController(View& view, RootFactory createRoot, Transformation transform = tonvex::MIRROR);
    ~MainController();

    MainController(const MainController&) = delete;
    MainController& operator=(const MainController&) = delete;

    // Accepts each path holding ".MID" (any case) as the new input, in order.
    void DragFile_OLEDragDrop(const std::vector<std::string>& paths);
    // A press of any mouse button on image button `index` (0..8).
    void ImgBut_MouseDown(int index);
    void Timer1_Timer();
    // Releases the engine and ends the program; during a transformation, cancels it first.
    void Shut_Click();
    // Runs the selected transformation on InFileName and shows the output path.
    void MIRROR();

    const MainState& state() const { return m_playback.state(); }
    const Preset& preset() const { return m_preset; }
    bool transforming() const { return m_transforming; }

private:
    void clearFaces(int first, int last);
    void playFile(const std::string& path, int labTimeX, int labTimeY);
    bool yieldToWindow();
    void closeAndQuit();

    View& m_view;
    Playback m_playback; // owns the paths and the whole playback state
    Preset m_preset;
    InputLoader m_loader;
    Transformation m_transform;

    bool m_transforming = false;
    bool m_closeRequested = false;
    bool m_closing = false;
    std::chrono::steady_clock::time_point m_lastYield{};
};

} // namespace tonvex
