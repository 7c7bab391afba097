#pragma once

#include <QAccessibleWidget>

namespace tonvex {

// What a screen reader sees of the borderless main window: a frame named by its title, whose
// children leave out the widgets hidden from readers (legends that repeat a button's name).
class WindowAccessible : public QAccessibleWidget {
public:
    explicit WindowAccessible(QWidget* window);

    // Makes `window` answer with this interface; safe to call more than once.
    static void install(QWidget& window);
    // Leaves `widget` out of its window's children as a screen reader sees them.
    static void hideFromReaders(QWidget& widget);

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;

private:
    QList<QWidget*> readableChildren() const;
};

} // namespace tonvex
