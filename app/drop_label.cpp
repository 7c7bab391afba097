#include "drop_label.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace tonvex {
namespace {

const char* const kUriList = "text/uri-list";

} // namespace

DropLabel::DropLabel(QWidget* parent) : PathLabel(parent)
{
    setAcceptDrops(true);
}

void DropLabel::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasFormat(kUriList))
        event->acceptProposedAction();
}

void DropLabel::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasFormat(kUriList))
        event->acceptProposedAction();
}

void DropLabel::dropEvent(QDropEvent* event)
{
    if (!event->mimeData()->hasFormat(kUriList))
        return;
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile().toStdString());
    event->acceptProposedAction();
    if (onDrop)
        onDrop(paths);
}

} // namespace tonvex
