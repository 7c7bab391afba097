#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include <QByteArray>
#include <QString>
#include <QStringList>

class QDeadlineTimer;
class QLocalServer;
class QLocalSocket;
class QLockFile;

namespace tonvex {

// What a start of the program asks of the window: the files to open, and the launcher's
// proof that the user asked, which lets the window come to the front.
struct Handover {
    QStringList paths;          // absolute local paths, in order
    QByteArray startupId;       // X11 startup notification (DESKTOP_STARTUP_ID)
    QByteArray activationToken; // Wayland activation (XDG_ACTIVATION_TOKEN)

    bool operator==(const Handover&) const = default;
};

// One Tonvex window per user: the first start holds a lock and listens on a local socket
// beside it; a later start hands its request over the socket and ends.
class InstanceChannel {
public:
    enum class Claim {
        First,      // this process holds the channel and listens: run the window
        HandedOver, // the running window took the request
        Unanswered, // a window holds the channel but did not take the request in time
        Alone,      // no channel can be made in the folder: run the window without one
    };

    // `folder` holds the socket and its lock; an empty one means no channel at all.
    explicit InstanceChannel(const QString& folder);
    ~InstanceChannel();
    InstanceChannel(const InstanceChannel&) = delete;
    InstanceChannel& operator=(const InstanceChannel&) = delete;

    // The user's runtime folder (XDG_RUNTIME_DIR, or Qt's private stand-in for it); empty
    // when there is none.
    static QString userFolder();

    // Hands `request` to the window that holds the channel, or takes the channel. Waits up
    // to `patience` for a window that is still starting; Alone when the lock cannot be made.
    Claim claim(const Handover& request, std::chrono::milliseconds patience);

    // Runs on this thread for each request a later start hands over, once it has been
    // acknowledged, from the event loop rather than from inside the socket's handler.
    std::function<void(const Handover&)> onHandover;

    QString socketPath() const;

private:
    enum class Delivery { NoListener, Taken, Unanswered };

    Delivery deliver(const Handover& request, const QDeadlineTimer& deadline) const;
    bool listen();
    void acceptPending();
    void read(QLocalSocket& socket) noexcept;
    void pass(const Handover& request) noexcept;

    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<QLocalServer> m_server; // after the lock: closed before it is released
};

} // namespace tonvex
