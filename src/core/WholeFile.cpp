#include "WholeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <unistd.h>

namespace WholeFile {

namespace {

// The folder that would take the temporary file: a link's target's, as with QSaveFile.
bool folderTakesNoNewFile(const QString& path)
{
    const QByteArray folder =
        QFile::encodeName(QFileInfo(QFileInfo(path).canonicalFilePath()).absolutePath());
    return ::access(folder.constData(), W_OK) != 0 && (errno == EACCES || errno == EROFS);
}

// Not atomic, so the file is grown to its new length before any old byte is overwritten:
// a disk that has no room for the new tail refuses it while the old content is still whole.
bool writeInPlace(const QString& path, const QByteArray& content, QString* reason)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly | QIODevice::Unbuffered)) {
        *reason = file.errorString();
        return false;
    }
    const qint64 oldSize = file.size();
    const qint64 newSize = content.size();
    if (newSize > oldSize) {
        const QByteArray tail = content.mid(oldSize);
        if (!file.seek(oldSize) || file.write(tail) != tail.size()) {
            *reason = file.errorString();
            file.resize(oldSize);
            return false;
        }
    }
    const QByteArray head = content.left(qMin(oldSize, newSize));
    if (!file.seek(0) || file.write(head) != head.size() || !file.resize(newSize)) {
        *reason = file.errorString();
        return false;
    }
    return true;
}

} // namespace

std::optional<QByteArray> read(const QString& path, QString* reason)
{
    if (QFileInfo(path).isDir()) {
        *reason = QStringLiteral("Is a directory");
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = file.errorString();
        return std::nullopt;
    }
    QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *reason = file.errorString();
        return std::nullopt;
    }
    return content;
}

bool write(const QString& path, const QByteArray& content, QString* reason)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (QFileInfo(path).isFile() && folderTakesNoNewFile(path))
            return writeInPlace(path, content, reason);
        *reason = file.errorString();
        return false;
    }
    // commit() alone misses a flush that fell short (disk full): the flush is checked first.
    if (file.write(content) != content.size() || !file.flush() || !file.commit()) {
        *reason = file.errorString();
        return false;
    }
    return true;
}

} // namespace WholeFile
