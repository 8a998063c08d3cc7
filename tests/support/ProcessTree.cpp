#include "ProcessTree.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMultiMap>

QList<qint64> processTree()
{
    QMultiMap<qint64, qint64> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        // The name in parentheses may hold blanks; the fields after it do not.
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1)
            children.insert(fields[1].toLongLong(), pid);
    }
    QList<qint64> tree{QCoreApplication::applicationPid()};
    for (qsizetype i = 0; i < tree.size(); ++i)
        tree += children.values(tree[i]);
    return tree;
}

Memory treeMemory(const QList<qint64>& tree)
{
    Memory memory;
    for (const qint64 pid : tree) {
        const qint64 ownBefore = memory.own;
        QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
        if (!rollup.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : rollup.readAll().split('\n')) {
            const qint64 kB = line.mid(line.indexOf(':') + 1).trimmed().split(' ').value(0).toLongLong();
            if (line.startsWith("Pss:"))
                memory.pss += kB;
            else if (line.startsWith("Pss_Anon:") || line.startsWith("Pss_Shmem:"))
                memory.own += kB;
        }
        if (pid == QCoreApplication::applicationPid())
            memory.ownHere = memory.own - ownBefore;
    }
    return memory;
}
