#include "path_label.h"

#include <QEvent>
#include <QFontMetrics>

namespace tonvex {

PathLabel::PathLabel(const QString& title, QWidget* parent) : ClickableLabel(parent), m_title(title)
{
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    refresh();
}

void PathLabel::setCaption(const QString& caption)
{
    m_caption = caption;
    refresh();
}

void PathLabel::resizeEvent(QResizeEvent* event)
{
    ClickableLabel::resizeEvent(event);
    refresh();
}

void PathLabel::changeEvent(QEvent* event)
{
    ClickableLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        refresh();
}

void PathLabel::refresh()
{
    const QString shown = fontMetrics().elidedText(m_caption, Qt::ElideMiddle, contentsRect().width());
    setText(shown);
    setToolTip(shown == m_caption ? QString() : m_caption);
    const QString name = m_title + QStringLiteral(": ") + (m_caption.isEmpty() ? QStringLiteral("none") : m_caption);
    if (name != accessibleName())
        setAccessibleName(name);
}

} // namespace tonvex
