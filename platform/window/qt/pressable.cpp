#include "pressable.h"

#include <QKeyEvent>

namespace tonvex {

bool Pressable::pressOnKey(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Enter:
    case Qt::Key_Return:
        break;
    default:
        return false;
    }
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    event->accept();
    if (!event->isAutoRepeat())
        press();
    return true;
}

} // namespace tonvex
