#include "label_button.h"

#include <QKeyEvent>

namespace tonvex {

LabelButton::LabelButton(QWidget* parent) : ClickableLabel(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

void LabelButton::keyPressEvent(QKeyEvent* event)
{
    if (!pressOnKey(event))
        ClickableLabel::keyPressEvent(event);
}

} // namespace tonvex
