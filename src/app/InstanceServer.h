#pragma once

#include "LookupRequest.h"

#include <QByteArray>
#include <QObject>
#include <sys/types.h>

class QLocalSocket;
class QSocketNotifier;

// The running window's end of InstanceChannel: takes the requests of later starts.
class InstanceServer : public QObject {
    Q_OBJECT

public:
    // Takes over the listening socket InstanceChannel made; -1 for none (then nothing
    // ever arrives).
    explicit InstanceServer(int listener, QObject* parent = nullptr);
    ~InstanceServer() override;

    // No more requests: the window is closing. A later start then runs on its own.
    void close();

    static constexpr int largestRequest = 64 * 1024;

signals:
    void requested(const LookupRequest& request);
    // A later start found this window not answering and runs a window of its own now,
    // which takes the requests from here on.
    void takenOver();

private:
    void accept();
    void read(QLocalSocket* socket);
    void checkTakenOver();

    int m_listener = -1;
    QSocketNotifier* m_notifier = nullptr;
    // The socket's file, as it was made: a later start that took over has a file of
    // its own there, which stays.
    QByteArray m_path;
    dev_t m_device = 0;
    ino_t m_inode = 0;
};
