#include "TmpfsFolder.h"

#include <QByteArray>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

TmpfsFolder::TmpfsFolder(qint64 sizeBytes)
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    const QByteArray options = "size=" + QByteArray::number(sizeBytes) + ",mode=0755";
    if (::mount("tmpfs", QFile::encodeName(path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                options.constData())
        != 0) {
        m_error = QStringLiteral("cannot mount a tmpfs on %1: %2")
                      .arg(path(), QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    m_mounted = true;
}

TmpfsFolder::~TmpfsFolder()
{
    // Detached, so that a file still open somewhere cannot keep the mount alive.
    for (const QString& file : std::as_const(m_boundFiles))
        ::umount2(QFile::encodeName(file).constData(), MNT_DETACH);
    if (m_mounted)
        ::umount2(QFile::encodeName(path()).constData(), MNT_DETACH);
}

bool TmpfsFolder::makeReadOnly()
{
    return m_mounted
        && ::mount("tmpfs", QFile::encodeName(path()).constData(), "tmpfs",
                   MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr)
        == 0;
}

bool TmpfsFolder::makeReadOnlyKeepingWritable(const QStringList& names)
{
    if (!m_mounted)
        return false;
    for (const QString& name : names) {
        const QByteArray file = QFile::encodeName(filePath(name));
        if (::mount(file.constData(), file.constData(), nullptr, MS_BIND, nullptr) != 0)
            return false;
        m_boundFiles.append(filePath(name));
    }
    // A bind remount changes this mount only; the superblock, and so the files' own
    // mounts, stay writable.
    return ::mount(nullptr, QFile::encodeName(path()).constData(), nullptr,
                   MS_REMOUNT | MS_BIND | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr)
        == 0;
}

bool TmpfsFolder::fill(qint64 leaveFree)
{
    const int fd = ::open(QFile::encodeName(filePath(fillerName)).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const QByteArray page(pageSize, 'f');
    qint64 written = 0;
    for (;;) {
        const ssize_t n = ::write(fd, page.constData(), size_t(page.size()));
        if (n <= 0)
            break;
        written += n;
    }
    const bool full = errno == ENOSPC;
    const qint64 pages = (written + pageSize - 1) / pageSize;
    const qint64 keep = qMax<qint64>(0, (pages - leaveFree / pageSize) * pageSize);
    const bool ok = full && ::ftruncate(fd, keep) == 0;
    ::close(fd);
    return ok && freeBytes() <= leaveFree;
}

qint64 TmpfsFolder::freeBytes() const
{
    struct statvfs info {};
    if (::statvfs(QFile::encodeName(path()).constData(), &info) != 0)
        return -1;
    return qint64(info.f_bavail) * qint64(info.f_frsize);
}
