#include "Error.h"
#include "ProfileFile.h"
#include "QueryHistory.h"
#include "TmpfsFolder.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

const QString settingsName = QStringLiteral("Veritoem.ini");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QList<QByteArray> terms(int count, int length)
{
    QList<QByteArray> items;
    for (int i = 0; i < count; ++i)
        items.append(QByteArray::number(i) + ' ' + QByteArray(length, char('a' + i % 26)));
    return items;
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden
                                  | QDir::System, QDir::Name);
}

} // namespace

// The two files saved where saving cannot succeed: each save reports its failure and
// leaves the file it would have replaced exactly as it was, with nothing beside it.
class TestSaveFaults : public QObject {
    Q_OBJECT

private slots:
    void fullDisk_data()
    {
        QTest::addColumn<qint64>("freeBytes");
        QTest::addColumn<bool>("saved");
        QTest::newRow("no room at all") << qint64(0) << false;
        // The new files need three pages; one page lets the first of them be written.
        QTest::newRow("room for a part of the new files") << TmpfsFolder::pageSize << false;
        QTest::newRow("room for the new files") << 16 * TmpfsFolder::pageSize << true;
    }

    void fullDisk()
    {
        QFETCH(qint64, freeBytes);
        QFETCH(bool, saved);
        TmpfsFolder disk(256 * 1024);
        if (!disk.isMounted())
            QSKIP(qPrintable(QStringLiteral("a full disk needs a tmpfs of its own, and ")
                             + disk.error()));

        const QString historyPath = disk.filePath(QueryHistory::fileName);
        const QList<QByteArray> oldHistory = terms(5, 20);
        QueryHistory::save(historyPath, oldHistory);
        ProfileFile settings(disk.filePath(settingsName));
        settings.writeInteger("Form", "width", 700);
        settings.writeInteger("Dictionary", "ID", 2);
        const QByteArray oldHistoryBytes = readAll(historyPath);
        const QByteArray oldSettingsBytes = readAll(settings.path());
        QVERIFY(disk.fill(freeBytes));
        const qint64 freeBefore = disk.freeBytes();

        const QList<QByteArray> newHistory = terms(40, 300); // three pages
        const QByteArray longValue(3 * TmpfsFolder::pageSize, 'v');
        if (saved) {
            QueryHistory::save(historyPath, newHistory);
            settings.writeString("Padding", "Text", longValue);
            QCOMPARE(QueryHistory::load(historyPath), newHistory);
            QCOMPARE(settings.readInteger("Form", "Width", 0), 700);
            QCOMPARE(settings.readString("Padding", "Text").value_or(QByteArray()),
                     longValue.left(ProfileFile::maxValueLength));
        } else {
            QVERIFY_THROWS_EXCEPTION(Error, QueryHistory::save(historyPath, newHistory));
            QVERIFY_THROWS_EXCEPTION(Error, settings.writeString("Padding", "Text", longValue));
            QCOMPARE(readAll(historyPath), oldHistoryBytes);
            QCOMPARE(readAll(settings.path()), oldSettingsBytes);
            // Nothing half-written is left taking up room.
            QCOMPARE(disk.freeBytes(), freeBefore);
        }
        QCOMPARE(entries(disk.path()),
                 QStringList({settingsName, QueryHistory::fileName, TmpfsFolder::fillerName}));
    }

    void readOnlyFolder()
    {
        TmpfsFolder disk(64 * 1024);
        if (!disk.isMounted())
            QSKIP(qPrintable(QStringLiteral("a read-only folder needs a tmpfs of its own (as root "
                                            "permission bits deny nothing), and ")
                             + disk.error()));
        const QString historyPath = disk.filePath(QueryHistory::fileName);
        QueryHistory::save(historyPath, terms(3, 10));
        ProfileFile settings(disk.filePath(settingsName));
        settings.writeInteger("Form", "width", 700);
        const QByteArray oldHistoryBytes = readAll(historyPath);
        const QByteArray oldSettingsBytes = readAll(settings.path());
        QVERIFY(disk.makeReadOnly());

        QVERIFY_THROWS_EXCEPTION(Error, QueryHistory::save(historyPath, terms(4, 10)));
        QVERIFY_THROWS_EXCEPTION(Error, settings.writeInteger("Form", "width", 640));
        QCOMPARE(readAll(historyPath), oldHistoryBytes);
        QCOMPARE(readAll(settings.path()), oldSettingsBytes);
        // Reading still works: the next start finds what the last good close left.
        QCOMPARE(QueryHistory::load(historyPath), terms(3, 10));
        QCOMPARE(settings.readInteger("Form", "Width", 0), 700);
    }
};

QTEST_APPLESS_MAIN(TestSaveFaults)
#include "tst_savefaults.moc"
