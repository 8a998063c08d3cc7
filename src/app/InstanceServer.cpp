#include "InstanceServer.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QtEndian>

#include <sys/socket.h>
#include <unistd.h>

namespace {

// The runtime folder already keeps others out; this holds where that folder is shared.
bool fromThisUser(const QLocalSocket* socket)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0
           && peer.uid == ::geteuid();
}

// A start that connects and then says nothing is not waited for.
constexpr int readTimeoutMs = 5000;

} // namespace

InstanceServer::InstanceServer(int listener, QObject* parent)
    : QObject(parent), m_server(new QLocalServer(this))
{
    if (listener < 0)
        return;
    if (!m_server->listen(qintptr(listener))) {
        ::close(listener);
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, &InstanceServer::accept);
}

void InstanceServer::close()
{
    m_server->close();
}

void InstanceServer::accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!fromThisUser(socket)) {
            socket->abort();
            continue;
        }
        QTimer::singleShot(readTimeoutMs, socket, &QLocalSocket::abort);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
        read(socket);
    }
}

void InstanceServer::read(QLocalSocket* socket)
{
    if (socket->bytesAvailable() < 4)
        return;
    quint32 size = 0;
    socket->peek(reinterpret_cast<char*>(&size), sizeof size);
    size = qFromBigEndian(size);
    if (size > quint32(largestRequest)) {
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < qint64(4 + size))
        return;
    socket->skip(4);
    const std::optional<LookupRequest> request = LookupRequest::fromBytes(socket->read(size));
    if (!request) {
        socket->abort();
        return;
    }
    // The answer first: the other start is done and may end while the window works.
    socket->write("A", 1);
    socket->flush();
    socket->disconnectFromServer();
    emit requested(*request);
}
