#pragma once

#include <functional>

#include <QPixmap>
#include <QWidget>

#include "view.h"

namespace tonvex {

// One of the nine image buttons: takes presses of any mouse button over its area. Its face
// is drawn by the window at natural size, since a face may be larger than the button.
class ImageButton : public QWidget {
public:
    ImageButton(int index, QWidget* parent = nullptr);

    int index() const { return m_index; }
    Face face() const { return m_face; }
    // Returns the area the old and the new face cover, for repainting.
    QRect setFace(Face face, const QPixmap& pixmap);
    const QPixmap& pixmap() const { return m_pixmap; }

    std::function<void(int)> onPress;

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    int m_index;
    Face m_face = Face::None;
    QPixmap m_pixmap;
};

} // namespace tonvex
