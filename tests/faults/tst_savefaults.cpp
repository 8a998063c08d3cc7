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

// What the folder does with a new file.
enum FolderKind { Writable, ReadOnly, ReadOnlyKeepingFiles };

QList<QByteArray> terms(int count, int length)
{
    QList<QByteArray> items;
    for (int i = 0; i < count; ++i)
        items.append(QByteArray::number(i) + ' ' + QByteArray(length, char('a' + i % 26)));
    return items;
}

} // namespace

// The two files saved where saving cannot succeed: each save reports its failure and
// leaves the file it would have replaced exactly as it was, with nothing beside it.
class TestSaveFaults : public QObject {
    Q_OBJECT

private slots:
    // A full disk, or a folder that takes no new file: files that are themselves read-only
    // keep what they hold, files that may be written are updated in place, to the byte,
    // and a full disk refuses growth before any old byte is overwritten.
    void savesWhereTheDiskRefuses_data()
    {
        QTest::addColumn<qint64>("freeBytes"); // -1: the disk is not filled
        QTest::addColumn<int>("folder");
        QTest::addColumn<bool>("saved");
        QTest::newRow("full disk: no room at all") << qint64(0) << int(Writable) << false;
        // The new files need three pages; one page lets the first of them be written.
        QTest::newRow("full disk: room for a part of the new files")
            << TmpfsFolder::pageSize << int(Writable) << false;
        QTest::newRow("full disk: room for the new files")
            << 16 * TmpfsFolder::pageSize << int(Writable) << true;
        QTest::newRow("read-only folder: read-only files") << qint64(-1) << int(ReadOnly) << false;
        QTest::newRow("read-only folder: writable files")
            << qint64(-1) << int(ReadOnlyKeepingFiles) << true;
        QTest::newRow("read-only folder: writable files, disk full")
            << qint64(0) << int(ReadOnlyKeepingFiles) << false;
    }

    void savesWhereTheDiskRefuses()
    {
        QFETCH(qint64, freeBytes);
        QFETCH(int, folder);
        QFETCH(bool, saved);
        TmpfsFolder disk(256 * 1024);
        if (!disk.isMounted())
            QSKIP(qPrintable(QStringLiteral("a full disk or a read-only folder needs a tmpfs of "
                                            "its own (as root permission bits deny nothing), and ")
                             + disk.error()));

        const QString historyPath = disk.filePath(QueryHistory::fileName);
        const QList<QByteArray> oldHistory = terms(5, 20);
        QueryHistory::save(historyPath, oldHistory);
        ProfileFile settings(disk.filePath(settingsName));
        settings.writeInteger("Form", "width", 700);
        settings.writeInteger("Dictionary", "ID", 2);
        const QByteArray oldHistoryBytes = CoreTest::readFile(historyPath);
        const QByteArray oldSettingsBytes = CoreTest::readFile(settings.path());
        if (freeBytes >= 0)
            QVERIFY(disk.fill(freeBytes));
        if (folder == ReadOnly)
            QVERIFY(disk.makeReadOnly());
        if (folder == ReadOnlyKeepingFiles)
            QVERIFY(disk.makeReadOnlyKeepingWritable({QueryHistory::fileName, settingsName}));
        const qint64 freeBefore = disk.freeBytes();
        const QStringList before = CoreTest::entries(disk.path());

        const QList<QByteArray> newHistory = terms(40, 300); // three pages
        const QByteArray longValue(3 * TmpfsFolder::pageSize, 'v');
        if (saved) {
            QueryHistory::save(historyPath, newHistory);
            QCOMPARE(QueryHistory::load(historyPath), newHistory);
            QueryHistory::save(historyPath, terms(2, 10));
            QCOMPARE(CoreTest::readFile(historyPath), QueryHistory::serialise(terms(2, 10)));
            settings.writeInteger("Form", "width", 640);
            settings.writeInteger("Dictionary", "ID", 0);
            QCOMPARE(CoreTest::readFile(settings.path()),
                     QByteArray("[Form]\r\nwidth=640\r\n\r\n[Dictionary]\r\nID=0\r\n"));
            settings.writeString("Padding", "Text", longValue);
            QCOMPARE(settings.readInteger("Form", "Width", 0), 640);
            QCOMPARE(settings.readString("Padding", "Text").value_or(QByteArray()),
                     longValue.left(ProfileFile::maxValueLength));
        } else {
            QVERIFY_THROWS_EXCEPTION(Error, QueryHistory::save(historyPath, newHistory));
            QVERIFY_THROWS_EXCEPTION(Error, settings.writeString("Padding", "Text", longValue));
            QCOMPARE(CoreTest::readFile(historyPath), oldHistoryBytes);
            QCOMPARE(CoreTest::readFile(settings.path()), oldSettingsBytes);
            // Nothing half-written is left taking up room.
            QCOMPARE(disk.freeBytes(), freeBefore);
            // Reading still works: the next start finds what the last good close left.
            QCOMPARE(QueryHistory::load(historyPath), oldHistory);
            QCOMPARE(settings.readInteger("Form", "Width", 0), 700);
        }
        if (folder == ReadOnlyKeepingFiles && freeBytes == 0) {
            // What needs no more room than the old content had is still written in place.
            QueryHistory::save(historyPath, terms(2, 10));
            QCOMPARE(QueryHistory::load(historyPath), terms(2, 10));
        }
        if (folder != Writable) {
            // A file that is not there yet cannot be made in such a folder.
            QVERIFY_THROWS_EXCEPTION(
                Error, ProfileFile(disk.filePath("other.ini")).writeInteger("S", "k", 1));
        }
        QCOMPARE(CoreTest::entries(disk.path()), before);
        if (freeBytes >= 0)
            QVERIFY(before.contains(TmpfsFolder::fillerName));
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
        QCOMPARE(CoreTest::readFile(settingsPath), QByteArray("[Form]\r\nwidth=640\r\n"));
        QCOMPARE(CoreTest::entries(folder.path()), QStringList({settingsName, QueryHistory::fileName}));
    }
};

QTEST_APPLESS_MAIN(TestSaveFaults)
#include "tst_savefaults.moc"
