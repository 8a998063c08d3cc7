#include "InstanceServer.h"

#include <QLocalSocket>
#include <QSocketNotifier>
#include <QTimer>
#include <QtEndian>

#include <cstring>
#include <memory>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The runtime folder already keeps others out; this holds where that folder is shared.
bool fromThisUser(int socket)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0
           && peer.uid == ::geteuid();
}

// A start that connects and then says nothing is not waited for.
constexpr int readTimeoutMs = 5000;

} // namespace

InstanceServer::InstanceServer(int listener, QObject* parent) : QObject(parent), m_listener(listener)
{
    if (m_listener < 0)
        return;
    sockaddr_un address{};
    socklen_t size = sizeof address;
    struct stat status {};
    if (::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size) == 0
        && address.sun_family == AF_UNIX && address.sun_path[0] != '\0') {
        m_path = QByteArray(address.sun_path, int(strnlen(address.sun_path, sizeof address.sun_path)));
        if (::lstat(m_path.constData(), &status) == 0) {
            m_device = status.st_dev;
            m_inode = status.st_ino;
        }
    }
    ::fcntl(m_listener, F_SETFL, ::fcntl(m_listener, F_GETFL) | O_NONBLOCK);
    m_notifier = new QSocketNotifier(qintptr(m_listener), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &InstanceServer::accept);
}

InstanceServer::~InstanceServer()
{
    close();
}

void InstanceServer::close()
{
    if (m_listener < 0)
        return;
    delete m_notifier;
    m_notifier = nullptr;
    ::close(m_listener);
    m_listener = -1;
    struct stat status {};
    if (!m_path.isEmpty() && ::lstat(m_path.constData(), &status) == 0
        && status.st_dev == m_device && status.st_ino == m_inode)
        ::unlink(m_path.constData());
}

void InstanceServer::accept()
{
    for (;;) {
        const int connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            return;
        if (!fromThisUser(connection)) {
            ::close(connection);
            continue;
        }
        auto* socket = new QLocalSocket(this);
        if (!socket->setSocketDescriptor(connection)) {
            ::close(connection);
            delete socket;
            continue;
        }
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
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
    // The answer first: the other start is done and may end while the window works. The
    // request is carried out once the start confirms; a start that stopped waiting for
    // the answer carries it out itself, in a window of its own.
    socket->disconnect(this);
    const auto confirmed = std::make_shared<bool>(false);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, confirmed, request = *request] {
        char confirmation = 0;
        if (*confirmed || !socket->getChar(&confirmation) || confirmation != 'C')
            return;
        *confirmed = true;
        socket->disconnectFromServer();
        emit requested(request);
    });
    connect(socket, &QLocalSocket::disconnected, this, [this, confirmed] {
        if (!*confirmed)
            checkTakenOver();
    });
    socket->write("A", 1);
    socket->flush();
}

// A start that gave up on this window has taken the channel over: its socket is where this
// window's was. This window then leaves the channel to it.
void InstanceServer::checkTakenOver()
{
    if (m_listener < 0 || m_path.isEmpty())
        return;
    struct stat status {};
    if (::lstat(m_path.constData(), &status) == 0 && status.st_dev == m_device
        && status.st_ino == m_inode)
        return;
    close();
    emit takenOver();
}
