#include "LoopbackServer.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int reservedSocket = -1;
int reservedPort = 0;
} // namespace

int LoopbackServer::reservePort()
{
    if (reservedSocket >= 0)
        return reservedPort;
    reservedSocket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof(address);
    if (reservedSocket < 0 || ::bind(reservedSocket, reinterpret_cast<sockaddr*>(&address), length) != 0
        || ::listen(reservedSocket, 64) != 0
        || ::getsockname(reservedSocket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        qFatal("cannot reserve a loopback port");
    reservedPort = ntohs(address.sin_port);
    return reservedPort;
}

LoopbackServer::LoopbackServer(QObject* parent) : QObject(parent), m_server(new QTcpServer(this))
{
    m_handler = [](const Request& request) {
        const QByteArray text = QString::fromLatin1(request.target).toHtmlEscaped().toLatin1();
        return page("<html><body><p>page " + text + "</p></body></html>");
    };
    connect(m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server->nextPendingConnection())
            serve(socket);
    });
}

bool LoopbackServer::start()
{
    reservePort();
    return m_server->setSocketDescriptor(reservedSocket);
}

int LoopbackServer::port() const { return reservedPort; }

QList<LoopbackServer::Request> LoopbackServer::pageRequests() const
{
    QList<Request> pages;
    for (const Request& request : m_requests)
        if (request.target != "/favicon.ico")
            pages.append(request);
    return pages;
}

bool LoopbackServer::received(const QByteArray& targetPart) const
{
    for (const Request& request : m_requests)
        if (request.target.contains(targetPart))
            return true;
    return false;
}

QByteArray LoopbackServer::Request::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return QByteArray();
}

LoopbackServer::Response LoopbackServer::dropped()
{
    Response response;
    response.dropConnection = true;
    return response;
}

LoopbackServer::Response LoopbackServer::page(const QByteArray& html)
{
    Response response;
    response.body = html;
    return response;
}

void LoopbackServer::serve(QTcpSocket* socket)
{
    auto buffer = std::make_shared<QByteArray>();
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
        buffer->append(socket->readAll());
        // One request at a time per connection; bodies are not expected.
        for (qsizetype end; (end = buffer->indexOf("\r\n\r\n")) >= 0;) {
            const QByteArray head = buffer->left(end);
            buffer->remove(0, end + 4);
            const QList<QByteArray> lines = head.split('\n');
            Request request;
            request.requestLine = lines.value(0).trimmed();
            const QList<QByteArray> parts = request.requestLine.split(' ');
            request.method = parts.value(0);
            request.target = parts.value(1);
            for (const QByteArray& line : lines.mid(1)) {
                const qsizetype colon = line.indexOf(':');
                if (colon > 0)
                    request.headers.append(
                        {line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
            }
            request.host = request.header("Host");
            m_requests.append(request);
            emit requestReceived(request);

            const Response response = request.target == "/favicon.ico"
                ? Response{404, "text/plain", "no icon", {}}
                : m_handler(request);
            if (response.dropConnection) {
                socket->abort();
                return;
            }
            QByteArray reply = "HTTP/1.1 " + QByteArray::number(response.status) + " X\r\n";
            reply += "Content-Type: " + response.contentType + "\r\n";
            reply += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
            for (const auto& [name, value] : response.headers)
                reply += name + ": " + value + "\r\n";
            reply += "\r\n" + response.body;
            if (response.delayMs > 0)
                QTimer::singleShot(response.delayMs, socket,
                                   [socket, reply] { socket->write(reply); });
            else
                socket->write(reply);
        }
    });
}
