#pragma once

#include <functional>
#include <string>
#include <vector>

#include "path_label.h"

namespace tonvex {

// The input box: takes a text/uri-list drop and reports its local file paths, in order.
class DropLabel : public PathLabel {
public:
    DropLabel(const QString& title, QWidget* parent = nullptr);

    std::function<void(const std::vector<std::string>&)> onDrop;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

} // namespace tonvex
