#pragma once

#include <functional>

#include <QPixmap>
#include <QWidget>

#include "pressable.h"
#include "view.h"

namespace tonvex {

// One of the nine image buttons: acts on a press of any mouse button over its area, and on
// Space or Enter while focused. A lit face makes it checked for a screen reader. Its face, and its focus mark, are drawn by the window at
// natural size, since a face may be larger than the button.
class ImageButton : public QWidget, public Pressable {
public:
    ImageButton(int index, QWidget* parent = nullptr);

    int index() const { return m_index; }
    Face face() const { return m_face; }
    // Returns the area the old and the new face cover, for repainting.
    QRect setFace(Face face, const QPixmap& pixmap);
    const QPixmap& pixmap() const { return m_pixmap; }

    void press() override;
    bool checkable() const override { return true; }
    bool checked() const override { return m_face != Face::None; }

    std::function<void(int)> onPress;

protected:
    // The second press of a double-click arrives as a double-click; QWidget hands it here.
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int m_index;
    Face m_face = Face::None;
    QPixmap m_pixmap;
};

} // namespace tonvex
