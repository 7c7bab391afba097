#pragma once

#include <array>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "view.h"

namespace tonvex::test {

// Records what the logic does to the window; every call is also appended to `log`.
class FakeView : public View {
public:
    std::string caption(Label label) const override
    {
        auto it = captions.find(label);
        return it == captions.end() ? std::string() : it->second;
    }
    void setCaption(Label label, const std::string& text) override
    {
        captions[label] = text;
        log.push_back("setCaption(" + name(label) + "," + text + ")");
    }
    void moveLabel(Label label, int x, int y) override
    {
        positions[label] = {x, y};
        log.push_back("moveLabel(" + name(label) + "," + std::to_string(x) + "," + std::to_string(y) + ")");
    }
    void setFace(int button, Face face) override
    {
        faces.at(static_cast<std::size_t>(button)) = face;
        log.push_back("setFace(" + std::to_string(button) + "," + faceName(face) + ")");
    }
    void setTimerEnabled(bool enabled) override
    {
        timerEnabled = enabled;
        log.push_back(enabled ? "timer(on)" : "timer(off)");
    }
    void processEvents() override
    {
        ++processEventsCount;
        log.push_back("processEvents");
        if (onProcessEvents)
            onProcessEvents();
    }
    void showMessage(const std::string& text) override
    {
        messages.push_back(text);
        log.push_back("showMessage(" + text + ")");
    }
    void quit() override
    {
        quitRequested = true;
        log.push_back("quit");
    }

    static std::string name(Label label)
    {
        switch (label) {
        case Label::DragFile: return "DragFile";
        case Label::OutputFile: return "OutputFile";
        case Label::LabTime: return "LabTime";
        }
        return "?";
    }
    static std::string faceName(Face face)
    {
        switch (face) {
        case Face::None: return "none";
        case Face::Play: return "PLAY";
        case Face::Stop: return "STOP";
        case Face::Select: return "SELECT";
        }
        return "?";
    }

    std::map<Label, std::string> captions;
    std::map<Label, std::pair<int, int>> positions;
    std::array<Face, kButtonCount> faces{};
    bool timerEnabled = false;
    int processEventsCount = 0;
    std::vector<std::string> messages;
    bool quitRequested = false;
    std::vector<std::string> log;
    // Runs inside processEvents, to play a handler that the window would run there.
    std::function<void()> onProcessEvents;
};

} // namespace tonvex::test
