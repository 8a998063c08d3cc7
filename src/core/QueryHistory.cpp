#include "QueryHistory.h"

#include "Error.h"
#include "WholeFile.h"

#include <QFileInfo>

QList<QByteArray> QueryHistory::parse(const QByteArray& content)
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

QByteArray QueryHistory::serialise(const QList<QByteArray>& items)
{
    QByteArray content;
    for (const QByteArray& item : items)
        content += item + "\r\n";
    return content;
}

QueryHistory::Change QueryHistory::remember(const QByteArray& term)
{
    Change change;
    if (m_items.contains(term))
        return change;
    if (m_items.size() > itemsKeptBeforeAdding) {
        change.removedIndex = 0;
        change.removed = m_items.takeFirst();
    }
    m_items.append(term);
    change.added = true;
    return change;
}

QList<QByteArray> QueryHistory::merged(const QList<QByteArray>& loaded,
                                       const QList<QByteArray>& current,
                                       const QList<QByteArray>& ownBeforeTakeOver,
                                       const QList<QByteArray>& ownSince)
{
    QList<QByteArray> kept;
    QList<QByteArray> savedMeanwhile;
    for (const QByteArray& item : current)
        (loaded.contains(item) ? kept : savedMeanwhile).append(item);
    QueryHistory history(kept);
    const QList<QByteArray>* inOrder[] = {&ownBeforeTakeOver, &savedMeanwhile, &ownSince};
    for (const QList<QByteArray>* terms : inOrder)
        for (const QByteArray& term : *terms)
            history.remember(term);
    return history.items();
}

QList<QByteArray> QueryHistory::load(const QString& path)
{
    if (!QFileInfo::exists(path))
        return {};
    QString reason;
    const std::optional<QByteArray> content = WholeFile::read(path, &reason);
    if (!content)
        throw Error(QStringLiteral("Cannot open file \"%1\". %2")
                        .arg(QFileInfo(path).absoluteFilePath(), reason));
    return parse(*content);
}

void QueryHistory::save(const QString& path, const QList<QByteArray>& items)
{
    QString reason;
    if (!WholeFile::write(path, serialise(items), &reason))
        throw Error(QStringLiteral("Cannot create file \"%1\". %2")
                        .arg(QFileInfo(path).absoluteFilePath(), reason));
}
