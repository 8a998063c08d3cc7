#include "AnsiCodec.h"
#include "CoreTestTools.h"
#include "LoopbackServer.h"
#include "ModalAnswerer.h"
#include "ProfileFile.h"
#include "QueryHistory.h"
#include "TmpfsFolder.h"
#include "UnitMain.h"
#include "WebTestMain.h"
#include "WindowFixture.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QRandomGenerator>
#include <QScreen>
#include <QToolButton>

namespace {

const QString settingsName = TfrmMain::settingsFileName;
constexpr int designedWidth = 729;
constexpr int designedHeight = 528;

// What the folder does with a new file.
enum FolderKind { Writable, ReadOnly, ReadOnlyKeepingFiles };

void search(TfrmMain& window, const QString& term)
{
    window.CmbBook->setEditText(term);
    window.BtnBookOK->click();
}

// What a user changes before closing: the window's outer size and the look-up mode.
void change(TfrmMain& window, QSize outer, int mode)
{
    window.resize(outer - (window.frameGeometry().size() - window.size()));
    window.CmbBoxType->setCurrentIndex(mode);
}

struct Stored {
    int width;
    int height;
    int id;
};

Stored stored(const QString& settingsPath)
{
    const ProfileFile settings(settingsPath);
    return {settings.readInteger("Form", "Width", -100), settings.readInteger("Form", "height", -100),
            settings.readInteger("Dictionary", "ID", -100)};
}

QByteArray junk(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

QByteArray goodValues()
{
    return "[Form]\r\nWidth=700\r\nheight=500\r\n[Dictionary]\r\nID=2\r\n";
}

} // namespace

// The main window on a folder whose files, or whose disk, are not what they should be,
// and two windows sharing one folder. It comes up, closes, loses nothing it could keep,
// and never crashes.
class TestWindowFaults : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(fixture.startServer());
        // Closing one of two windows must not end the test's event loops.
        QApplication::setQuitOnLastWindowClosed(false);
        const QSize screen = QGuiApplication::primaryScreen()->size();
        QVERIFY2(screen.width() >= designedWidth && screen.height() >= designedHeight,
                 "the test screen is smaller than the designed window");
    }

    void init() { QVERIFY(fixture.newFolder()); }
    void cleanup() { fixture.reset(); }

    void twoCopiesCloseInEitherOrder_data()
    {
        QTest::addColumn<bool>("firstClosesLast");
        QTest::newRow("the first opened closes last") << true;
        QTest::newRow("the second opened closes last") << false;
    }

    // Two windows on one folder: the settings are those of the window closed last, and the
    // history keeps the terms of both.
    void twoCopiesCloseInEitherOrder()
    {
        QFETCH(bool, firstClosesLast);
        QueryHistory::save(fixture.filePath(QueryHistory::fileName), {"共同"});
        TfrmMain& first = fixture.make();
        TfrmMain second(fixture.folderPath());
        first.show();
        second.show();
        QVERIFY(QTest::qWaitForWindowExposed(&second));
        QCOMPARE(first.historyItems(), QList<QByteArray>({"共同"}));
        QCOMPARE(second.historyItems(), QList<QByteArray>({"共同"}));

        change(first, QSize(700, 500), 1);
        search(first, QStringLiteral("甲一"));
        change(second, QSize(750, 450), 2);
        search(second, QStringLiteral("乙二"));
        search(second, QStringLiteral("乙三"));

        TfrmMain& last = firstClosesLast ? first : second;
        TfrmMain& other = firstClosesLast ? second : first;
        const QSize lastSize = last.frameGeometry().size();
        const QList<QByteArray> lastHistory = last.historyItems();
        QCOMPARE(lastHistory.size(), firstClosesLast ? 2 : 3);
        // The terms the other window saved, then the last one's own.
        const QList<QByteArray> bothHistories = other.historyItems() + lastHistory.mid(1);
        other.close();
        last.close();

        const Stored values = stored(last.settingsPath());
        QCOMPARE(values.width, lastSize.width());
        QCOMPARE(values.height, lastSize.height());
        QCOMPARE(values.id, firstClosesLast ? 1 : 2);
        QCOMPARE(CoreTest::readFile(last.historyPath()), QueryHistory::serialise(bothHistories));
    }

    // A history that cannot be read whole is reported at start-up like one that cannot be
    // opened, and that run never saves the history: by the close, the user's file may be
    // readable again (here it is put back), and it must not be replaced by an empty list.
    void unreadableHistory_data()
    {
        QTest::addColumn<bool>("failingReads");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a folder") << false << QStringLiteral("Is a directory");
        QTest::newRow("an I/O error after opening") << true << QStringLiteral("Input/output error");
    }

    void unreadableHistory()
    {
        QFETCH(bool, failingReads);
        QFETCH(QString, reason);
        const QString historyPath = fixture.filePath(QueryHistory::fileName);
        QVERIFY(failingReads ? CoreTest::linkToFailingReads(historyPath)
                             : QDir(fixture.folderPath()).mkdir(QueryHistory::fileName));
        ModalAnswerer answerer;
        TfrmMain& window = fixture.make();
        QVERIFY(answerer.answered());
        QCOMPARE(answerer.icon(), QMessageBox::Critical);
        QCOMPARE(answerer.title(), App::title);
        QVERIFY2(answerer.text().startsWith(QStringLiteral("Cannot open file \"%1\". %2")
                                                .arg(window.historyPath(), reason)),
                 qPrintable(answerer.text()));

        // The rest of the start-up ran: the sources are listed and the window comes up.
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.CkLstBookshop->count(), 5);
        QCOMPARE(window.historyItems(), QList<QByteArray>());

        QVERIFY(failingReads ? QFile::remove(historyPath) : QDir(historyPath).removeRecursively());
        const QByteArray usersHistory = AnsiCodec::encode(QStringLiteral("旧词\r\n"));
        QVERIFY(fixture.write(QueryHistory::fileName, usersHistory));

        ModalAnswerer boxes;
        change(window, QSize(740, 480), 2);
        search(window, QStringLiteral("词"));
        window.close();
        QVERIFY(WindowFixture::waitForPostedEvents());
        QVERIFY2(!boxes.answered(), qPrintable(boxes.text()));
        QCOMPARE(CoreTest::readFile(historyPath), usersHistory);
        const Stored values = stored(window.settingsPath());
        QCOMPARE(values.width, 740);
        QCOMPARE(values.height, 480);
        QCOMPARE(values.id, 2);
    }

    void badSettingsFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("id");

        QByteArray comments;
        while (comments.size() < 10 * 1024 * 1024)
            comments += "; " + QByteArray(70, 'c') + "\r\n";
        QTest::newRow("10 MB of comments before the values") << comments + goodValues() << 700 << 500 << 2;

        QByteArray entries = "[Form]\r\n";
        for (int i = 0; entries.size() < 10 * 1024 * 1024; ++i)
            entries += "Key" + QByteArray::number(i) + '=' + QByteArray(60, 'v') + "\r\n";
        QTest::newRow("10 MB of other keys in the section")
            << entries + "Width=700\r\nheight=500\r\n[Dictionary]\r\nID=2\r\n" << 700 << 500 << 2;

        QTest::newRow("binary junk")
            << junk(1024 * 1024, 1) << designedWidth << designedHeight << 0;
        QTest::newRow("binary junk around the values")
            << junk(64 * 1024, 2) + "\r\n" + goodValues() + junk(64 * 1024, 3) << 700 << 500 << 2;
        QTest::newRow("a value of 100,000 digits")
            << "[Form]\r\nWidth=" + QByteArray(100000, '7') + "\r\nheight=500\r\n" << designedWidth
            << 500 << 0;
        QTest::newRow("a section name of 100,000 characters")
            << "[" + QByteArray(100000, 'F') + "]\r\nWidth=20\r\n" + goodValues() << 700 << 500 << 2;
        QTest::newRow("a last line of 100,000 characters without an end")
            << goodValues() + QByteArray(100000, 'x') << 700 << 500 << 2;
    }

    void badSettingsFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, id);
        const QString settingsPath = fixture.filePath(settingsName);
        QVERIFY(fixture.write(settingsName, content));

        ModalAnswerer boxes;
        TfrmMain& window = fixture.make();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.frameGeometry().size(), QSize(width, height));
        QCOMPARE(window.CmbBoxType->currentIndex(), id);

        change(window, QSize(690, 490), 1);
        window.close();
        QVERIFY2(!boxes.answered(), qPrintable(boxes.text()));
        const Stored values = stored(settingsPath);
        QCOMPARE(values.width, 690);
        QCOMPARE(values.height, 490);
        QCOMPARE(values.id, 1);
    }

    // A disk that refuses the close's saves: the close says nothing and loses nothing it
    // could keep. A full disk takes the settings where there is room for them, never a part
    // of the history; a read-only folder has both files saved in place where they may be
    // written, nothing where they may not.
    void unwritableFolderAtClose_data()
    {
        QTest::addColumn<qint64>("freeBytes"); // -1: the disk is not filled
        QTest::addColumn<int>("folder");
        QTest::addColumn<bool>("historySaved");
        QTest::addColumn<bool>("settingsSaved");
        QTest::newRow("full disk: no room at all") << qint64(0) << int(Writable) << false << false;
        // The history takes three pages, each settings file one.
        QTest::newRow("full disk: room for the settings only")
            << TmpfsFolder::pageSize << int(Writable) << false << true;
        QTest::newRow("read-only folder: read-only files")
            << qint64(-1) << int(ReadOnly) << false << false;
        QTest::newRow("read-only folder: writable files")
            << qint64(-1) << int(ReadOnlyKeepingFiles) << true << true;
    }

    void unwritableFolderAtClose()
    {
        QFETCH(qint64, freeBytes);
        QFETCH(int, folder);
        QFETCH(bool, historySaved);
        QFETCH(bool, settingsSaved);
        TmpfsFolder disk(256 * 1024);
        if (!disk.isMounted())
            QSKIP(qPrintable(QStringLiteral("a full disk or a read-only folder needs a tmpfs of "
                                            "its own (as root permission bits deny nothing), and ")
                             + disk.error()));
        const QString historyPath = disk.filePath(QueryHistory::fileName);
        const QString settingsPath = disk.filePath(settingsName);
        QList<QByteArray> history;
        for (int i = 0; i < 40; ++i)
            history.append(AnsiCodec::encode(QStringLiteral("词条%1 ").arg(i)) + QByteArray(250, 'x'));
        QueryHistory::save(historyPath, history);
        QVERIFY(CoreTest::writeFile(settingsPath, goodValues()));
        const QByteArray oldHistory = CoreTest::readFile(historyPath);
        QStringList names{settingsName, QueryHistory::fileName};
        if (freeBytes >= 0) {
            QVERIFY(disk.fill(freeBytes));
            names.append(TmpfsFolder::fillerName);
        }
        if (folder == ReadOnly)
            QVERIFY(disk.makeReadOnly());
        if (folder == ReadOnlyKeepingFiles)
            QVERIFY(disk.makeReadOnlyKeepingWritable({QueryHistory::fileName, settingsName}));

        ModalAnswerer boxes;
        QList<QByteArray> closingHistory;
        {
            TfrmMain window(disk.path());
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QCOMPARE(window.historyItems(), history);
            QCOMPARE(window.frameGeometry().size(), QSize(700, 500));
            QCOMPARE(window.CmbBoxType->currentIndex(), 2);
            change(window, QSize(750, 450), 0);
            search(window, QStringLiteral("新词"));
            closingHistory = window.historyItems();
            QCOMPARE(closingHistory.size(), history.size());
            QCOMPARE(closingHistory.last(), AnsiCodec::encode(QStringLiteral("新词")));
            window.close();
        }
        QVERIFY(WindowFixture::waitForPostedEvents());
        QVERIFY2(!boxes.answered(), qPrintable(boxes.text()));

        QCOMPARE(CoreTest::readFile(historyPath),
                 historySaved ? QueryHistory::serialise(closingHistory) : oldHistory);
        if (settingsSaved) {
            const Stored values = stored(settingsPath);
            QCOMPARE(values.width, 750);
            QCOMPARE(values.height, 450);
            QCOMPARE(values.id, 0);
        } else {
            QCOMPARE(CoreTest::readFile(settingsPath), goodValues());
        }
        QCOMPARE(CoreTest::entries(disk.path()), names);
    }

private:
    WindowFixture fixture;
};

VERITOME_WEB_TEST_MAIN(TestWindowFaults)
#include "tst_windowfaults.moc"
