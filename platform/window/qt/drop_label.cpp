#include "drop_label.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace tonvex {
namespace {

const char* const kUriList = "text/uri-list";

// The file is only read, so the drop is a copy whatever the source proposes: a move would
// make the file manager delete the user's file. A source that offers no copy is refused.
bool acceptAsCopy(QDropEvent* event)
{
    if (!event->mimeData()->hasFormat(kUriList) || !(event->possibleActions() & Qt::CopyAction)) {
        event->ignore();
        return false;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

} // namespace

DropLabel::DropLabel(const QString& title, QWidget* parent) : PathLabel(title, parent)
{
    setAcceptDrops(true);
}

void DropLabel::dragEnterEvent(QDragEnterEvent* event)
{
    acceptAsCopy(event);
}

void DropLabel::dragMoveEvent(QDragMoveEvent* event)
{
    acceptAsCopy(event);
}

void DropLabel::dropEvent(QDropEvent* event)
{
    if (!acceptAsCopy(event))
        return;
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile().toStdString());
    if (onDrop)
        onDrop(paths);
}

} // namespace tonvex
