#include "window_handover.h"

#include <exception>
#include <string>
#include <vector>

#include <QGuiApplication>
#include <QTimer>
#include <QtGui/qguiapplication_platform.h>

#include "main_window.h"

#if QT_CONFIG(xcb) && defined(TONVEX_HAVE_XCB)
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#endif

namespace tonvex {
namespace {

#if QT_CONFIG(xcb) && defined(TONVEX_HAVE_XCB)

constexpr qsizetype kStartupPiece = 20; // bytes of text in one startup-notification message
constexpr quint32 kFromApplication = 1; // _NET_ACTIVE_WINDOW source: a normal application
constexpr xcb_timestamp_t kNoTime = XCB_CURRENT_TIME;
constexpr xcb_atom_t kNoAtom = XCB_ATOM_NONE;

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const auto cookie = xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : kNoAtom;
}

// The time of the user's action that launched the start: the id ends in "_TIME<n>".
xcb_timestamp_t launchTime(const QByteArray& startupId)
{
    const QByteArray mark = "_TIME";
    const qsizetype at = startupId.lastIndexOf(mark);
    bool ok = false;
    const uint time = at < 0 ? 0 : startupId.mid(at + mark.size()).toUInt(&ok);
    return ok ? time : kNoTime;
}

QByteArray quoted(const QByteArray& value)
{
    QByteArray text = value;
    text.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + text + '"';
}

void sendToRoot(xcb_connection_t* connection, xcb_window_t root, uint32_t mask, const xcb_client_message_event_t& event)
{
    xcb_send_event(connection, 0, root, mask, reinterpret_cast<const char*>(&event));
}

// Activates with the launch's time, which focus-stealing prevention accepts, and tells the
// launcher the start is complete.
void finishStartup(xcb_connection_t* connection, xcb_window_t window, const QByteArray& startupId)
{
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    if (const xcb_timestamp_t time = launchTime(startupId); time != kNoTime) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = atom(connection, "_NET_ACTIVE_WINDOW");
        event.data.data32[0] = kFromApplication;
        event.data.data32[1] = time;
        sendToRoot(connection, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT, event);
    }

    QByteArray message = "remove: ID=" + quoted(startupId);
    message.append('\0');
    const xcb_atom_t begin = atom(connection, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = atom(connection, "_NET_STARTUP_INFO");
    for (qsizetype at = 0; at < message.size(); at += kStartupPiece) {
        xcb_client_message_event_t piece{};
        piece.response_type = XCB_CLIENT_MESSAGE;
        piece.format = 8;
        piece.window = window;
        piece.type = at == 0 ? begin : more;
        std::memcpy(piece.data.data8, message.constData() + at, std::min(kStartupPiece, message.size() - at));
        sendToRoot(connection, root, XCB_EVENT_MASK_PROPERTY_CHANGE, piece);
    }
    xcb_flush(connection);
}

#endif

} // namespace

void WindowHandover::openLater(const QStringList& files)
{
    // Not tied to this object: the window alone must outlive the wait.
    QTimer::singleShot(0, &m_window, [&window = m_window, files] { open(window, files); });
}

void WindowHandover::take(const Handover& request)
{
    if (m_window.quitting())
        return;
    raise(request);
    open(m_window, request.paths);
}

// The files go through the drop itself, so they are taken exactly as dropped ones.
void WindowHandover::open(MainWindow& window, const QStringList& files) noexcept
{
    try {
        std::vector<std::string> paths;
        for (const QString& file : files)
            paths.push_back(file.toStdString());
        window.controller().DragFile_OLEDragDrop(paths);
    } catch (const std::exception& error) {
        qWarning("tonvex: opening files failed: %s", error.what());
    } catch (...) {
        qWarning("tonvex: opening files failed");
    }
}

void WindowHandover::raise(const Handover& request)
{
    if (m_window.isMinimized())
        m_window.showNormal();
    m_window.show();
    m_window.raise();
    // Qt's Wayland plugin activates with this token once, then drops it.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")) && !request.activationToken.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", request.activationToken);
    m_window.activateWindow();
#if QT_CONFIG(xcb) && defined(TONVEX_HAVE_XCB)
    if (request.startupId.isEmpty())
        return;
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
        finishStartup(x11->connection(), static_cast<xcb_window_t>(m_window.winId()), request.startupId);
#endif
}

} // namespace tonvex
