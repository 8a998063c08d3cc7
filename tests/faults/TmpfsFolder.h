#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A small tmpfs mounted on a temporary folder for the length of a test: a disk that can
// be filled to the last page, or made read-only, without touching anything else.
// Mounting needs the right to mount (root outside a locked-down container); where it is
// missing, isMounted() is false and error() says why.
class TmpfsFolder {
public:
    explicit TmpfsFolder(qint64 sizeBytes);
    ~TmpfsFolder();
    TmpfsFolder(const TmpfsFolder&) = delete;
    TmpfsFolder& operator=(const TmpfsFolder&) = delete;

    bool isMounted() const { return m_mounted; }
    QString error() const { return m_error; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

    bool makeReadOnly();
    // The folder takes no new file and no rename, yet the named files in it can still be
    // written: each is bind-mounted onto itself before the folder's mount turns read-only.
    bool makeReadOnlyKeepingWritable(const QStringList& names);
    // Takes up the free room with a file named "filler" until leaveFree bytes or fewer
    // remain; leaveFree is rounded down to whole pages.
    bool fill(qint64 leaveFree);
    qint64 freeBytes() const;

    static constexpr qint64 pageSize = 4096;
    static inline const QString fillerName = QStringLiteral("filler");

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QStringList m_boundFiles;
    QString m_error;
};
