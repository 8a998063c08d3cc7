#include "QueryHistory.h"

#include "Error.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace QueryHistory {

QList<QByteArray> parse(const QByteArray& content)
{
    const qsizetype nul = content.indexOf('\0');
    const qsizetype end = nul < 0 ? content.size() : nul;

    QList<QByteArray> items;
    qsizetype lineStart = 0;
    qsizetype i = 0;
    while (i < end) {
        const char c = content[i];
        if (c == '\r' || c == '\n') {
            items.append(content.mid(lineStart, i - lineStart));
            if (c == '\r' && i + 1 < end && content[i + 1] == '\n')
                ++i;
            lineStart = i + 1;
        }
        ++i;
    }
    if (lineStart < end)
        items.append(content.mid(lineStart, end - lineStart));
    return items;
}

QByteArray serialise(const QList<QByteArray>& items)
{
    QByteArray content;
    for (const QByteArray& item : items)
        content += item + "\r\n";
    return content;
}

bool remember(QList<QByteArray>& items, const QByteArray& term)
{
    if (items.contains(term))
        return false;
    if (items.size() > itemsKeptBeforeAdding)
        items.removeFirst();
    items.append(term);
    return true;
}

QList<QByteArray> load(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        const QString reason = QFileInfo(path).isDir() ? QStringLiteral("Is a directory")
                                                       : file.errorString();
        throw Error(QStringLiteral("Cannot open file \"%1\". %2")
                        .arg(QFileInfo(path).absoluteFilePath(), reason));
    }
    return parse(file.readAll());
}

void save(const QString& path, const QList<QByteArray>& items)
{
    QSaveFile file(path);
    const QByteArray content = serialise(items);
    // The write is buffered: a full disk shows only when the buffer is flushed, and
    // commit() would rename the cut-short file over the old one regardless.
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()
        || !file.flush() || !file.commit())
        throw Error(QStringLiteral("Cannot create file \"%1\". %2")
                        .arg(QFileInfo(path).absoluteFilePath(), file.errorString()));
}

} // namespace QueryHistory
