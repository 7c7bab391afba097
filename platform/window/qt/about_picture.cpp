#include "about_picture.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace tonvex {

AboutPicture::AboutPicture(QWidget* parent) : ClickableLabel(parent)
{
    setFocusPolicy(Qt::ClickFocus);
    hide();
    onClick = [this] {
        dismiss();
        swallowNextDoubleClick(true);
    };
}

AboutPicture::~AboutPicture()
{
    swallowNextDoubleClick(false);
}

void AboutPicture::open()
{
    if (!isVisible())
        m_focusBefore = window()->focusWidget();
    raise();
    show();
    setFocus(Qt::OtherFocusReason);
}

void AboutPicture::dismiss()
{
    if (!isVisible())
        return;
    hide();
    if (m_focusBefore && m_focusBefore->isVisible())
        m_focusBefore->setFocus(Qt::OtherFocusReason);
}

void AboutPicture::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Enter:
    case Qt::Key_Return:
        event->accept();
        dismiss();
        return;
    default:
        ClickableLabel::keyPressEvent(event);
    }
}

void AboutPicture::swallowNextDoubleClick(bool on)
{
    if (on == m_swallowing)
        return;
    m_swallowing = on;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    // Watched application-wide: the double-click goes to whatever lay beneath the picture.
    if (on)
        app->installEventFilter(this);
    else
        app->removeEventFilter(this);
}

bool AboutPicture::eventFilter(QObject* watched, QEvent* event)
{
    // The platform window sees each mouse event before the widget under the mouse does; only
    // the widget's copy says which widget the press lands on.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != window())
        return false;
    if (event->type() == QEvent::MouseButtonPress) {
        swallowNextDoubleClick(false);
        return false;
    }
    if (event->type() != QEvent::MouseButtonDblClick)
        return false;
    swallowNextDoubleClick(false);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint at = widget->mapTo(window(), mouse->position().toPoint());
    return QRect(mapTo(window(), QPoint()), size()).contains(at);
}

} // namespace tonvex
