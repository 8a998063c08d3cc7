#include "InstanceChannel.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace {

// Only this user may enter, list or change it.
bool isPrivateFolder(const QByteArray& path)
{
    struct stat status {};
    return ::lstat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode)
           && status.st_uid == ::geteuid() && (status.st_mode & 077) == 0;
}

QByteArray runtimeFolder()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivateFolder(runtime))
        return runtime;
    // No runtime folder of the user's: one of the program's own in the temporary folder.
    // Somebody else may have made it first; then it is not used.
    const QByteArray own = QFile::encodeName(QDir::tempPath())
                           + "/veritome-" + QByteArray::number(::geteuid());
    ::mkdir(own.constData(), 0700);
    return isPrivateFolder(own) ? own : QByteArray();
}

// The display's name as part of a file name: ":0.0" and ":0" are one display.
QString displayKey(QString display)
{
    if (display.isEmpty())
        display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty())
        display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty())
        display = QStringLiteral("none");
    static const QRegularExpression screen(QStringLiteral("(:\\d+)\\.\\d+$"));
    display.replace(screen, QStringLiteral("\\1"));
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._:-]"));
    return display.replace(unsafe, QStringLiteral("_"));
}

bool fillAddress(const QByteArray& path, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= int(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    return true;
}

// A file descriptor closed when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

} // namespace

QString InstanceChannel::socketPath(const QString& display)
{
    const QByteArray folder = runtimeFolder();
    if (folder.isEmpty())
        return {};
    return QFile::decodeName(folder) + QStringLiteral("/veritome-") + displayKey(display);
}

InstanceChannel::InstanceChannel(const QString& display) : m_display(display) {}

InstanceChannel::~InstanceChannel()
{
    ready();
    if (m_listener >= 0)
        ::close(m_listener);
}

void InstanceChannel::ready()
{
    if (m_lock >= 0)
        ::close(m_lock);
    m_lock = -1;
}

// One start at a time decides who runs, and the first keeps deciding till its window takes
// requests: two starts at once, or two finding the socket of a program that is gone, must
// not both open a window. True where this start had to wait for another.
bool InstanceChannel::lock()
{
    const QByteArray path = QFile::encodeName(m_path) + ".lock";
    m_lock = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_lock < 0)
        return false;
    QElapsedTimer clock;
    clock.start();
    bool waited = false;
    // A start that hangs before its window is up is not waited for without end.
    while (::flock(m_lock, LOCK_EX | LOCK_NB) != 0 && clock.elapsed() < startingMs) {
        waited = true;
        ::usleep(10000);
    }
    return waited;
}

int InstanceChannel::takeListener()
{
    return std::exchange(m_listener, -1);
}

InstanceChannel::Outcome InstanceChannel::handOver(const LookupRequest& request)
{
    m_path = socketPath(m_display);
    if (m_path.isEmpty())
        return Outcome::First;
    const QByteArray path = QFile::encodeName(m_path);
    const bool cameUpMeanwhile = lock();
    sockaddr_un address;
    if (!fillAddress(path, address))
        return Outcome::First;
    Descriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (socket.get() >= 0
        && ::connect(socket.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        QByteArray message = request.toBytes();
        message.prepend(4, '\0');
        qToBigEndian(quint32(message.size() - 4), message.data());
        if (deliver(socket.get(), message, cameUpMeanwhile ? justReadyAnswerMs : answerMs)) {
            ready();
            return Outcome::HandedOver;
        }
    }
    listen();
    return Outcome::First;
}

namespace {

// Whether the process that listens at the other end still runs: not stopped, not ended.
// One that runs is slow at worst, and is given longer to answer.
bool peerRuns(int socket)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.pid <= 0)
        return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(peer.pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    // "pid (name) state ...": the name may hold anything, the state follows its last ')'.
    const QByteArray line = stat.readAll();
    const qsizetype nameEnd = line.lastIndexOf(')');
    if (nameEnd < 0 || nameEnd + 2 >= line.size())
        return false;
    const char state = line[nameEnd + 2];
    return state == 'R' || state == 'S' || state == 'D';
}

} // namespace

bool InstanceChannel::deliver(int socket, const QByteArray& message, int waitMs) const
{
    QElapsedTimer clock;
    clock.start();
    qsizetype sent = 0;
    while (sent < message.size()) {
        const ssize_t n = ::send(socket, message.constData() + sent, size_t(message.size() - sent),
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return false;
        pollfd writable{socket, POLLOUT, 0};
        const int left = waitMs - int(clock.elapsed());
        if (left <= 0 || ::poll(&writable, 1, left) < 0)
            return false;
    }
    // The running window answers one byte once it holds the request.
    int limitMs = waitMs;
    bool askedAboutPeer = false;
    for (;;) {
        if (!askedAboutPeer && clock.elapsed() >= limitMs) {
            askedAboutPeer = true;
            if (peerRuns(socket))
                limitMs = qMax(limitMs, aliveAnswerMs);
        }
        const int left = limitMs - int(clock.elapsed());
        if (left <= 0)
            return false;
        pollfd readable{socket, POLLIN, 0};
        const int ready = ::poll(&readable, 1, left);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        char answer = 0;
        const ssize_t n = ::recv(socket, &answer, 1, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n != 1 || answer != 'A')
            return false;
        // The window carries the request out once it has this: from here on it is the
        // window's, and this start ends.
        const char confirm = 'C';
        return ::send(socket, &confirm, 1, MSG_NOSIGNAL | MSG_DONTWAIT) == 1;
    }
}

void InstanceChannel::listen()
{
    const QByteArray path = QFile::encodeName(m_path);
    sockaddr_un address;
    if (!fillAddress(path, address))
        return;
    Descriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (socket.get() < 0)
        return;
    // A socket left behind, or one of a window that no longer answers.
    ::unlink(path.constData());
    const mode_t mask = ::umask(077);
    const int bound = ::bind(socket.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::umask(mask);
    if (bound != 0 || ::listen(socket.get(), 16) != 0)
        return;
    m_listener = socket.release();
}
