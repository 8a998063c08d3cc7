#include "Error.h"
#include "ProfileFile.h"
#include "QueryHistory.h"
#include "TmpfsFolder.h"
#include "CoreTestTools.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
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

    // A folder that takes no new file: files that are themselves read-only keep what they
    // hold, files that may be written are updated in place, to the byte, and a full disk
    // refuses growth before any old byte is overwritten.
    void readOnlyFolder_data()
    {
        QTest::addColumn<bool>("filesWritable");
        QTest::addColumn<bool>("diskFull");
        QTest::newRow("read-only files") << false << false;
        QTest::newRow("writable files") << true << false;
        QTest::newRow("writable files, disk full") << true << true;
    }

    void readOnlyFolder()
    {
        QFETCH(bool, filesWritable);
        QFETCH(bool, diskFull);
        TmpfsFolder disk(256 * 1024);
        if (!disk.isMounted())
            QSKIP(qPrintable(QStringLiteral("a read-only folder needs a tmpfs of its own (as root "
                                            "permission bits deny nothing), and ")
                             + disk.error()));
        const QString historyPath = disk.filePath(QueryHistory::fileName);
        QueryHistory::save(historyPath, terms(3, 10));
        ProfileFile settings(disk.filePath(settingsName));
        settings.writeInteger("Form", "width", 700);
        settings.writeInteger("Dictionary", "ID", 2);
        const QByteArray oldHistoryBytes = readAll(historyPath);
        const QByteArray oldSettingsBytes = readAll(settings.path());
        if (diskFull)
            QVERIFY(disk.fill(0));
        QVERIFY(filesWritable ? disk.makeReadOnlyKeepingWritable({QueryHistory::fileName, settingsName})
                              : disk.makeReadOnly());
        const QStringList before = entries(disk.path());

        if (filesWritable && !diskFull) {
            QueryHistory::save(historyPath, terms(40, 300)); // grows past its first page
            QCOMPARE(QueryHistory::load(historyPath), terms(40, 300));
            QueryHistory::save(historyPath, terms(2, 10));
            QCOMPARE(readAll(historyPath), QueryHistory::serialise(terms(2, 10)));
            settings.writeInteger("Form", "width", 640);
            settings.writeInteger("Dictionary", "ID", 0);
            QCOMPARE(readAll(settings.path()),
                     QByteArray("[Form]\r\nwidth=640\r\n\r\n[Dictionary]\r\nID=0\r\n"));
        } else {
            QVERIFY_THROWS_EXCEPTION(Error, QueryHistory::save(historyPath, terms(40, 300)));
            QVERIFY_THROWS_EXCEPTION(
                Error, settings.writeString("Padding", "Text", QByteArray(3 * TmpfsFolder::pageSize, 'v')));
            QCOMPARE(readAll(historyPath), oldHistoryBytes);
            QCOMPARE(readAll(settings.path()), oldSettingsBytes);
            // Reading still works: the next start finds what the last good close left.
            QCOMPARE(QueryHistory::load(historyPath), terms(3, 10));
            QCOMPARE(settings.readInteger("Form", "Width", 0), 700);
        }
        if (diskFull) {
            // What needs no more room than the old content had is still written.
            QueryHistory::save(historyPath, terms(2, 10));
            QCOMPARE(QueryHistory::load(historyPath), terms(2, 10));
        }
        // A file that is not there yet cannot be made in such a folder.
        QVERIFY_THROWS_EXCEPTION(Error, ProfileFile(disk.filePath("other.ini")).writeInteger("S", "k", 1));
        QCOMPARE(entries(disk.path()), before);
    }

    // The set-up an administrator prepares: a folder the user may not write, holding the
    // two files, which the user may. Both are updated in place; no other file appears.
    void folderTheUserMayNotWrite()
    {
        QTemporaryDir folder;
        const QString historyPath = folder.filePath(QueryHistory::fileName);
        const QString settingsPath = folder.filePath(settingsName);
        QueryHistory::save(historyPath, terms(3, 10));
        ProfileFile(settingsPath).writeInteger("Form", "width", 700);
        const auto everyoneWrites = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
            | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
        QVERIFY(QFile::setPermissions(historyPath, everyoneWrites));
        QVERIFY(QFile::setPermissions(settingsPath, everyoneWrites));
        QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner
                                                         | QFile::ReadGroup | QFile::ExeGroup
                                                         | QFile::ReadOther | QFile::ExeOther));

        const bool saved = CoreTest::runUnprivileged([&] {
            try {
                QueryHistory::save(historyPath, terms(40, 300));
                ProfileFile(settingsPath).writeInteger("Form", "width", 640);
                return true;
            } catch (const Error&) {
                return false;
            }
        });
        const bool extraRefused = CoreTest::runUnprivileged([&] {
            try {
                ProfileFile(folder.filePath("other.ini")).writeInteger("S", "k", 1);
                return false;
            } catch (const Error&) {
                return true;
            }
        });
        QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner
                                                         | QFile::ExeOwner));
        QVERIFY(saved);
        QVERIFY(extraRefused);
        QCOMPARE(QueryHistory::load(historyPath), terms(40, 300));
        QCOMPARE(readAll(settingsPath), QByteArray("[Form]\r\nwidth=640\r\n"));
        QCOMPARE(entries(folder.path()), QStringList({settingsName, QueryHistory::fileName}));
    }
};

QTEST_APPLESS_MAIN(TestSaveFaults)
#include "tst_savefaults.moc"
