#pragma once

#include "LookupRequest.h"

#include <QObject>

class QLocalServer;
class QLocalSocket;

// The running window's end of InstanceChannel: takes the requests of later starts.
class InstanceServer : public QObject {
    Q_OBJECT

public:
    // Takes over the listening socket InstanceChannel made; -1 for none (then nothing
    // ever arrives).
    explicit InstanceServer(int listener, QObject* parent = nullptr);

    // No more requests: the window is closing. A later start then runs on its own.
    void close();

    static constexpr int largestRequest = 64 * 1024;

signals:
    void requested(const LookupRequest& request);

private:
    void accept();
    void read(QLocalSocket* socket);

    QLocalServer* m_server;
};
