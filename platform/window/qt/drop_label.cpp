#include "drop_label.h"

#include <QAccessible>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>

#include "midi_mark.h"

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

std::vector<std::string> localPaths(const QMimeData& mime)
{
    std::vector<std::string> paths;
    for (const QUrl& url : mime.urls())
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile().toStdString());
    return paths;
}

// While a drag passes: only one that carries a file the drop would take is welcome.
void answerPassingDrag(QDropEvent* event)
{
    if (!acceptAsCopy(event))
        return;
    for (const std::string& path : localPaths(*event->mimeData()))
        if (holdsMidiMark(path))
            return;
    event->ignore();
}

} // namespace

DropLabel::DropLabel(const QString& title, QWidget* parent) : PathLabel(title, parent)
{
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
    // With a screen reader running, Qt made this label's interface while it was still being
    // built as a PathLabel, as plain text; made again now, it is a button.
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(this); made && made->role() != QAccessible::Button)
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

void DropLabel::keyPressEvent(QKeyEvent* event)
{
    if (!pressOnKey(event))
        PathLabel::keyPressEvent(event);
}

void DropLabel::dragEnterEvent(QDragEnterEvent* event)
{
    answerPassingDrag(event);
}

void DropLabel::dragMoveEvent(QDragMoveEvent* event)
{
    answerPassingDrag(event);
}

void DropLabel::dropEvent(QDropEvent* event)
{
    if (!acceptAsCopy(event))
        return;
    const std::vector<std::string> paths = localPaths(*event->mimeData());
    if (onDrop)
        onDrop(paths);
}

} // namespace tonvex
