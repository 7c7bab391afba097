#include "pressable_accessible.h"

#include <QAccessible>
#include <QWidget>

#include "pressable.h"

namespace tonvex {
namespace {

QAccessibleInterface* createForPressable(const QString&, QObject* object)
{
    // Qt asks the factories installed last first, so this one is heard before Qt's own
    // answer for QLabel or QWidget. Qt's accessibility cache owns the interface.
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget && dynamic_cast<Pressable*>(object))
        return new PressableAccessible(widget);
    return nullptr;
}

} // namespace

PressableAccessible::PressableAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Button) {}

void PressableAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(createForPressable);
        return true;
    }();
    (void)installed;
}

QAccessible::State PressableAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    if (const auto* pressable = dynamic_cast<const Pressable*>(widget()); pressable && pressable->checkable()) {
        state.checkable = true;
        state.checked = pressable->checked();
    }
    return state;
}

QStringList PressableAccessible::actionNames() const
{
    // The first action is the one a screen reader offers as the default.
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void PressableAccessible::doAction(const QString& actionName)
{
    if (actionName != pressAction()) {
        QAccessibleWidget::doAction(actionName);
        return;
    }
    // Looked up at each call: the widget may be gone while a client still holds the interface.
    if (auto* pressable = dynamic_cast<Pressable*>(widget()))
        pressable->press();
}

QStringList PressableAccessible::keyBindingsForAction(const QString& actionName) const
{
    if (actionName == pressAction())
        return {QStringLiteral("Space")};
    return QAccessibleWidget::keyBindingsForAction(actionName);
}

} // namespace tonvex
