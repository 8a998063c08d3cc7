#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <functional>

class QTcpServer;

// A real HTTP/1.1 server on 127.0.0.1 for the engine to talk to. Every host name is
// mapped to it (see WebTestMain.h), so the program's real addresses arrive here.
class LoopbackServer : public QObject {
    Q_OBJECT

public:
    struct Request {
        QByteArray requestLine; // as sent: "GET /path?query HTTP/1.1"
        QByteArray method;
        QByteArray target; // path and query, as sent
        QByteArray host;   // the Host header
        QList<QPair<QByteArray, QByteArray>> headers; // every header, names as sent

        // The first header of that name, matched without regard to case; empty if none.
        QByteArray header(const QByteArray& name) const;
    };
    struct Response {
        int status = 200;
        QByteArray contentType = "text/html; charset=utf-8";
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        bool dropConnection = false; // close without answering: the load fails
        int delayMs = 0;             // a slow answer: the page stays loading till then
    };
    using Handler = std::function<Response(const Request&)>;

    // Binds a listening socket now, before any QCoreApplication exists, so that its
    // port can go into the engine's flags.
    static int reservePort();

    explicit LoopbackServer(QObject* parent = nullptr);
    // Takes over the socket reserved by reservePort().
    bool start();
    int port() const;

    void setHandler(Handler handler) { m_handler = std::move(handler); }
    QList<Request> requests() const { return m_requests; }
    // Requests other than the favicon, in arrival order.
    QList<Request> pageRequests() const;
    void clearRequests() { m_requests.clear(); }
    bool received(const QByteArray& targetPart) const;

    static Response page(const QByteArray& html);
    static Response dropped();

signals:
    void requestReceived(const LoopbackServer::Request& request);

private:
    void serve(class QTcpSocket* socket);

    QTcpServer* m_server;
    Handler m_handler;
    QList<Request> m_requests;
};
