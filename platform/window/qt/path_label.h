#pragma once

#include <QString>

#include "clickable_label.h"

namespace tonvex {

// Shows a path elided in the middle when it is wider than the label, with the whole path as
// its tooltip; caption() always holds the whole path. A screen reader hears the title and
// the whole path ("Input file: /music/Song.mid").
class PathLabel : public ClickableLabel {
public:
    PathLabel(const QString& title, QWidget* parent = nullptr);

    QString caption() const { return m_caption; }
    void setCaption(const QString& caption);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refresh();

    QString m_title;
    QString m_caption;
};

} // namespace tonvex
