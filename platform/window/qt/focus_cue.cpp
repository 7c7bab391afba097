#include "focus_cue.h"

#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

#include <utility>

namespace tonvex {
namespace {

bool isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
        return true;
    default:
        return false;
    }
}

} // namespace

FocusCue::FocusCue(std::function<void()> changed) : m_changed(std::move(changed)) {}

void FocusCue::watch(QWidget& root)
{
    root.installEventFilter(this);
    for (QWidget* child : root.findChildren<QWidget*>())
        child->installEventFilter(this);
}

bool FocusCue::eventFilter(QObject*, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        // A modifier held for a click is no sign of keyboard use. The key may move the focus,
        // and a window that is not active (no window manager) gets no focus events for that:
        // redraw anyway, which happens after the key has been handled.
        if (!isModifierKey(static_cast<QKeyEvent*>(event)->key())) {
            m_visible = true;
            if (m_changed)
                m_changed();
        }
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        setVisible(false);
        break;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        if (m_visible && m_changed)
            m_changed();
        break;
    default:
        break;
    }
    return false;
}

void FocusCue::setVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    if (m_changed)
        m_changed();
}

} // namespace tonvex
