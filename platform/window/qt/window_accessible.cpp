#include "window_accessible.h"

#include <QAccessible>
#include <QVariant>
#include <QWidget>

namespace tonvex {
namespace {

const char* const kWindowProperty = "tonvexAccessibleWindow";
const char* const kHiddenProperty = "tonvexHiddenFromReaders";

QAccessibleInterface* createForWindow(const QString&, QObject* object)
{
    // Qt's accessibility cache owns the interface.
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget && widget->isWindow() && widget->property(kWindowProperty).toBool())
        return new WindowAccessible(widget);
    return nullptr;
}

} // namespace

WindowAccessible::WindowAccessible(QWidget* window) : QAccessibleWidget(window, QAccessible::Window) {}

void WindowAccessible::install(QWidget& window)
{
    static const bool installed = [] {
        QAccessible::installFactory(createForWindow);
        return true;
    }();
    (void)installed;
    window.setProperty(kWindowProperty, true);
}

void WindowAccessible::hideFromReaders(QWidget& widget)
{
    widget.setProperty(kHiddenProperty, true);
}

QList<QWidget*> WindowAccessible::readableChildren() const
{
    QList<QWidget*> children;
    for (QObject* object : widget()->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (child && !child->isWindow() && !child->property(kHiddenProperty).toBool())
            children.push_back(child);
    }
    return children;
}

int WindowAccessible::childCount() const
{
    return static_cast<int>(readableChildren().size());
}

QAccessibleInterface* WindowAccessible::child(int index) const
{
    const QList<QWidget*> children = readableChildren();
    return index >= 0 && index < children.size() ? QAccessible::queryAccessibleInterface(children.at(index)) : nullptr;
}

int WindowAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    if (!child)
        return -1;
    return static_cast<int>(readableChildren().indexOf(qobject_cast<QWidget*>(child->object())));
}

} // namespace tonvex
