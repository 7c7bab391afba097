#include "instance_channel.h"

#include <algorithm>
#include <exception>

#include <QDataStream>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

namespace tonvex {
namespace {

const char* const kSocketName = "/tonvex.socket";
const char* const kLockName = "/tonvex.lock";
constexpr quint32 kMagic = 0x54564831; // "TVH1": a request in this format follows
constexpr auto kStreamVersion = QDataStream::Qt_6_0;
constexpr char kAck = '\x06';                 // ASCII ACK: the request was taken
constexpr qint64 kMaxRequestBytes = 4 << 20; // far beyond any command line
constexpr unsigned long kRetryMs = 20;

QByteArray encode(const Handover& request)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(kStreamVersion);
    out << kMagic << request.paths << request.startupId << request.activationToken;
    return bytes;
}

int msLeft(const QDeadlineTimer& deadline)
{
    return static_cast<int>(std::max<qint64>(1, deadline.remainingTime()));
}

} // namespace

InstanceChannel::InstanceChannel(const QString& folder) : m_folder(folder)
{
    if (m_folder.isEmpty())
        return;
    m_lock = std::make_unique<QLockFile>(m_folder + QLatin1String(kLockName));
    // Only a dead holder makes the lock stale; a window may run for days.
    m_lock->setStaleLockTime(0);
}

InstanceChannel::~InstanceChannel() = default;

QString InstanceChannel::userFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

QString InstanceChannel::socketPath() const
{
    return m_folder + QLatin1String(kSocketName);
}

InstanceChannel::Claim InstanceChannel::claim(const Handover& request, std::chrono::milliseconds patience)
{
    if (!m_lock)
        return Claim::Alone;
    const QDeadlineTimer deadline(patience, Qt::PreciseTimer);
    for (;;) {
        switch (deliver(request, deadline)) {
        case Delivery::Taken:
            return Claim::HandedOver;
        case Delivery::Unanswered:
            return Claim::Unanswered;
        case Delivery::NoListener:
            break;
        }
        // Nobody listens: either no window runs, or one has the lock and is about to listen.
        if (m_lock->tryLock(0))
            return listen() ? Claim::First : Claim::Alone;
        if (m_lock->error() != QLockFile::LockFailedError) {
            qWarning("tonvex: cannot lock %s, so more than one window may run", qPrintable(m_lock->fileName()));
            return Claim::Alone;
        }
        if (deadline.hasExpired())
            return Claim::Unanswered;
        QThread::msleep(kRetryMs);
    }
}

InstanceChannel::Delivery InstanceChannel::deliver(const Handover& request, const QDeadlineTimer& deadline) const
{
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(msLeft(deadline)))
        return Delivery::NoListener;
    socket.write(encode(request));
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(msLeft(deadline)))
            return Delivery::Unanswered;
    while (socket.bytesAvailable() < 1)
        if (!socket.waitForReadyRead(msLeft(deadline)))
            return Delivery::Unanswered;
    char answer = 0;
    return socket.getChar(&answer) && answer == kAck ? Delivery::Taken : Delivery::Unanswered;
}

bool InstanceChannel::listen()
{
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Holding the lock, any socket file here was left by a holder that died.
    QLocalServer::removeServer(socketPath());
    if (!m_server->listen(socketPath())) {
        qWarning("tonvex: cannot listen on %s: %s", qPrintable(socketPath()), qPrintable(m_server->errorString()));
        m_server.reset();
        m_lock->unlock();
        return false;
    }
    QObject::connect(m_server.get(), &QLocalServer::newConnection, m_server.get(), [this] { acceptPending(); });
    return true;
}

void InstanceChannel::acceptPending()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        // The server owns the socket; it goes once the sender hangs up.
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] { read(*socket); });
        if (socket->bytesAvailable() > 0)
            read(*socket);
    }
}

void InstanceChannel::read(QLocalSocket& socket) noexcept
{
    try {
        if (socket.bytesAvailable() >= qint64(sizeof kMagic)) {
            QDataStream head(socket.peek(sizeof kMagic));
            quint32 magic = 0;
            head >> magic;
            if (magic != kMagic) {
                socket.abort();
                return;
            }
        }
        QDataStream in(&socket);
        in.setVersion(kStreamVersion);
        in.startTransaction();
        quint32 magic = 0;
        Handover request;
        in >> magic >> request.paths >> request.startupId >> request.activationToken;
        if (!in.commitTransaction()) {
            if (socket.bytesAvailable() > kMaxRequestBytes)
                socket.abort();
            return;
        }
        // A sender that gave up waiting has hung up and told its user so: the ack fails.
        if (!socket.putChar(kAck) || !socket.flush())
            return;
        QTimer::singleShot(0, m_server.get(), [this, request] { pass(request); });
    } catch (const std::exception& error) {
        qWarning("tonvex: a handed-over request failed: %s", error.what());
        socket.abort();
    } catch (...) {
        qWarning("tonvex: a handed-over request failed");
        socket.abort();
    }
}

void InstanceChannel::pass(const Handover& request) noexcept
{
    try {
        if (onHandover)
            onHandover(request);
    } catch (const std::exception& error) {
        qWarning("tonvex: opening handed-over files failed: %s", error.what());
    } catch (...) {
        qWarning("tonvex: opening handed-over files failed");
    }
}

} // namespace tonvex
