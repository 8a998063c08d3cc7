#pragma once

#include "Error.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace CoreTest {

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every name in the folder, hidden ones too: a failed atomic write must not leave its
// temporary file behind.
inline QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                      | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// Makes path a file that opens but fails its first read with an I/O error, as a disk with
// a bad sector would: a link to this process's memory, whose address 0 is never mapped.
inline bool linkToFailingReads(const QString& path)
{
    return QFile::link(QStringLiteral("/proc/%1/mem").arg(::getpid()), path);
}

// Runs action as a user without privileges: as root in a child process that drops to
// "nobody" (permission bits deny root nothing), otherwise right here. True when action
// returned true.
template <typename Action>
bool runUnprivileged(Action action)
{
    if (::geteuid() != 0)
        return action();
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
        ::_exit(dropped && action() ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status)
        && WEXITSTATUS(status) == 0;
}

// The text of the Error that action throws, or a null string when it throws none.
template <typename Action>
QString errorOf(Action action)
{
    try {
        action();
    } catch (const Error& error) {
        return error.text().isNull() ? QStringLiteral("") : error.text();
    }
    return QString();
}

// Makes every write that would grow a file past `bytes` fail as on a full disk, for as
// long as it lives. Works for root too, unlike taking permissions away.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool active() const { return m_active; }

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_active = false;
};

} // namespace CoreTest
