#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A print system of the test's own: a cupsd in a temporary folder, with its own
// configuration, spool and socket, and one PDF queue (cups-pdf) that writes its files into
// a temporary folder. start() points this process, and the programs it starts, at it
// through CUPS_SERVER; the queue is the default destination there.
class CupsQueue {
public:
    CupsQueue() = default;
    ~CupsQueue();
    CupsQueue(const CupsQueue&) = delete;
    CupsQueue& operator=(const CupsQueue&) = delete;

    // Empty when the queue is ready, otherwise why it could not be set up.
    QString start();

    static QString name() { return QStringLiteral("VeritomePDF"); }
    QString outputFolder() const { return m_dir.filePath(QStringLiteral("out")); }
    // The PDFs written so far, oldest first.
    QStringList writtenFiles() const;
    // Jobs the queue has not finished yet; -1 when it cannot be asked.
    int pendingJobs() const;
    // Jobs the queue has finished, successfully or not.
    int finishedJobs() const;
    // Waits with a running event loop until no job is pending.
    bool waitUntilIdle(int timeout = 60000) const;

private:
    QStringList lpstat(const QStringList& arguments) const;

    QTemporaryDir m_dir;
    QProcess m_cupsd;
    QString m_backendConfig;
};
