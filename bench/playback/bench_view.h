#pragma once

#include <string>

#include "view.h"

namespace tonvex::bench {

// The window as the playback routines see it: the input box shows the played file, the
// output box is empty, everything else is ignored.
class BenchView : public View {
public:
    explicit BenchView(std::string input) : m_input(std::move(input)) {}

    std::string caption(Label label) const override
    {
        return label == Label::DragFile ? m_input : std::string();
    }
    void setCaption(Label, const std::string&) override {}
    void moveLabel(Label, int, int) override {}
    void setFace(int, Face) override {}
    void setTimerEnabled(bool) override {}
    void processEvents() override {}
    void showMessage(const std::string&) override {}
    void quit() override {}

private:
    std::string m_input;
};

} // namespace tonvex::bench
