#pragma once

#include <functional>

#include <QObject>

class QWidget;

namespace tonvex {

// Whether the keyboard focus is to be shown, as a browser's :focus-visible: from the first
// key press until the next mouse press. Mouse users never see a focus mark.
class FocusCue : public QObject {
public:
    // `changed` runs when the mark must be redrawn: it appears, goes, or moves.
    explicit FocusCue(std::function<void()> changed);

    // Watches `root` and every widget below it at the time of the call.
    void watch(QWidget& root);
    bool visible() const { return m_visible; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setVisible(bool visible);

    std::function<void()> m_changed;
    bool m_visible = false;
};

} // namespace tonvex
