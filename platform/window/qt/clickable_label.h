#pragma once

#include <functional>

#include <QLabel>

namespace tonvex {

// A label that keeps every mouse press to itself (so a press on it never moves the window)
// and reports a left-button click: press and release inside it.
class ClickableLabel : public QLabel {
public:
    explicit ClickableLabel(QWidget* parent = nullptr);

    std::function<void()> onClick;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // True when this release ends a left-button press that began here, inside `area`.
    bool endsClick(const QMouseEvent* event, const QRect& area);
    void click();

private:
    bool m_leftDown = false;
};

} // namespace tonvex
