#include "scene.h"

namespace tonvex::win32 {

Box Scene::box(Control control) const
{
    const auto moved = [this](Label label, const Box& home) {
        const POINT at = labelAt[Scene::at(label)];
        return Box{at.x, at.y, home.width, home.height};
    };
    switch (control) {
    case Control::InputBox: return moved(Label::DragFile, kInputBox);
    case Control::OutputBox: return moved(Label::OutputFile, kOutputBox);
    case Control::Time: return moved(Label::LabTime, kTimeBox);
    case Control::Close:
        return closeHeld ? Box{kCloseBox.x + 1, kCloseBox.y + 1, kCloseBox.width, kCloseBox.height} : kCloseBox;
    case Control::AboutZone: return kAboutZone;
    case Control::AboutPicture: return kAboutPicture;
    case Control::Count: break;
    default: {
        const int button = buttonIndex(control);
        if (button >= 0)
            return kButtons[static_cast<std::size_t>(button)];
        const int legend = static_cast<int>(control) - static_cast<int>(Control::FirstLegend);
        if (legend >= 0 && legend < kLegendCount)
            return kLegends[static_cast<std::size_t>(legend)].box;
    }
    }
    return Box{};
}

} // namespace tonvex::win32
