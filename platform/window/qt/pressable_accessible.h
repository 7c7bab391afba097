#pragma once

#include <QAccessibleWidget>

namespace tonvex {

// What a screen reader sees of a Pressable widget: a button, named by the widget's accessible
// name, whose press action does what a mouse press does; a lit button reads as checked.
class PressableAccessible : public QAccessibleWidget {
public:
    explicit PressableAccessible(QWidget* widget);

    // Makes every Pressable widget answer with this interface; safe to call more than once.
    static void install();

    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;
};

} // namespace tonvex
