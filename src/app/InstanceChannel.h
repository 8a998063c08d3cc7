#pragma once

#include "LookupRequest.h"

#include <QString>

// The way from a new start of the program to the window already running for the same
// user on the same display. It is a local socket in the user's runtime folder (or a
// private folder of the program's own where there is none), so no other user can reach
// it. Used before the application object exists: a start that hands its request over
// costs no more than connecting and writing a few bytes.
class InstanceChannel {
public:
    enum class Outcome { HandedOver, First };

    // display: the display the window goes to, empty for the environment's.
    explicit InstanceChannel(const QString& display);
    ~InstanceChannel();
    InstanceChannel(const InstanceChannel&) = delete;
    InstanceChannel& operator=(const InstanceChannel&) = delete;

    // Gives the request to the running window. Where none answers (none runs, or it hangs,
    // is stopped or is gone and left its socket behind), this start becomes the running
    // one and listens in its place. The window carries a request out only once this start
    // has confirmed its answer: a window that answers too late drops it, since this start
    // carries it out itself.
    Outcome handOver(const LookupRequest& request);

    // The first start's window takes requests from now on: later starts stop waiting for
    // it to come up.
    void ready();

    // The listening socket of the first start, for the application's server; -1 where
    // there is none (no private folder, or the socket could not be made). The caller owns it.
    int takeListener();

    // Where the socket of that display lives; empty where no private folder can be had.
    static QString socketPath(const QString& display);

    // How long a start waits for the running window to take its request before it takes
    // over. A window that came up only as this start waited for it is given longer: it may
    // still be busy with its first page.
    static constexpr int answerMs = 800;
    static constexpr int justReadyAnswerMs = 5000;
    // A window whose process is still running (not stopped, not gone) is only slow, and is
    // waited for this long in all before it counts as hung.
    static constexpr int aliveAnswerMs = 5000;
    // How long a start waits for another start to bring its window up.
    static constexpr int startingMs = 30000;

private:
    bool lock();
    bool deliver(int socket, const QByteArray& message, int waitMs) const;
    void listen();

    QString m_display;
    QString m_path;
    int m_lock = -1;
    int m_listener = -1;
};
