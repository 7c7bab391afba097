#pragma once

#include <functional>
#include <string>
#include <vector>

#include "path_label.h"
#include "pressable.h"

namespace tonvex {

// The input box: takes a text/uri-list drop and reports its local file paths, in order. A
// drag that holds no MIDI file name is refused while it passes, so the pointer says so. A
// click, Space or Enter while focused, or a screen reader's press asks for a file (onClick).
class DropLabel : public PathLabel, public Pressable {
public:
    DropLabel(const QString& title, QWidget* parent = nullptr);

    std::function<void(const std::vector<std::string>&)> onDrop;

    void press() override { click(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

} // namespace tonvex
