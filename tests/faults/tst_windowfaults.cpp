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

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

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

// No message box opens while this lives: each one found is answered and counted.
class SilenceWatch {
public:
    bool boxShown() const { return m_answerer.answered(); }
    QString text() const { return m_answerer.text(); }

private:
    ModalAnswerer m_answerer;
};

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
        other.close();
        last.close();

        const Stored values = stored(last.settingsPath());
        QCOMPARE(values.width, lastSize.width());
        QCOMPARE(values.height, lastSize.height());
        QCOMPARE(values.id, firstClosesLast ? 1 : 2);
        QCOMPARE(readAll(last.historyPath()), QueryHistory::serialise(lastHistory));
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

        SilenceWatch silence;
        change(window, QSize(740, 480), 2);
        search(window, QStringLiteral("词"));
        window.close();
        QVERIFY(WindowFixture::waitForPostedEvents());
        QVERIFY2(!silence.boxShown(), qPrintable(silence.text()));
        QCOMPARE(readAll(historyPath), usersHistory);
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

        SilenceWatch silence;
        TfrmMain& window = fixture.make();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.frameGeometry().size(), QSize(width, height));
        QCOMPARE(window.CmbBoxType->currentIndex(), id);

        change(window, QSize(690, 490), 1);
        window.close();
        QVERIFY2(!silence.boxShown(), qPrintable(silence.text()));
        const Stored values = stored(settingsPath);
        QCOMPARE(values.width, 690);
        QCOMPARE(values.height, 490);
        QCOMPARE(values.id, 1);
    }

    void fullDiskAtClose_data()
    {
        QTest::addColumn<qint64>("freeBytes");
        QTest::addColumn<bool>("settingsSaved");
        QTest::newRow("no room at all") << qint64(0) << false;
        // The history takes three pages, each settings file one.
        QTest::newRow("room for the settings only") << TmpfsFolder::pageSize << true;
    }

    void fullDiskAtClose()
    {
        QFETCH(qint64, freeBytes);
        QFETCH(bool, settingsSaved);
        TmpfsFolder disk(256 * 1024);
        if (!disk.isMounted())
            QSKIP(qPrintable(QStringLiteral("a full disk needs a tmpfs of its own, and ")
                             + disk.error()));
        QList<QByteArray> history;
        for (int i = 0; i < 40; ++i)
            history.append(AnsiCodec::encode(QStringLiteral("词条%1 ").arg(i)) + QByteArray(250, 'x'));
        QueryHistory::save(disk.filePath(QueryHistory::fileName), history);
        QVERIFY(writeFile(disk.filePath(settingsName), goodValues()));
        const QByteArray oldHistory = readAll(disk.filePath(QueryHistory::fileName));
        QVERIFY(disk.fill(freeBytes));

        SilenceWatch silence;
        {
            TfrmMain window(disk.path());
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QCOMPARE(window.historyItems(), history);
            QCOMPARE(window.frameGeometry().size(), QSize(700, 500));
            change(window, QSize(750, 450), 0);
            search(window, QStringLiteral("新词"));
            QCOMPARE(window.historyItems().size(), history.size());
            window.close();
        }
        QVERIFY(WindowFixture::waitForPostedEvents());
        QVERIFY2(!silence.boxShown(), qPrintable(silence.text()));

        QCOMPARE(readAll(disk.filePath(QueryHistory::fileName)), oldHistory);
        const Stored values = stored(disk.filePath(settingsName));
        if (settingsSaved) {
            QCOMPARE(values.width, 750);
            QCOMPARE(values.height, 450);
            QCOMPARE(values.id, 0);
        } else {
            QCOMPARE(readAll(disk.filePath(settingsName)), goodValues());
        }
        QCOMPARE(QDir(disk.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden
                                             | QDir::System, QDir::Name),
                 QStringList({settingsName, QueryHistory::fileName, TmpfsFolder::fillerName}));
    }

    // A read-only folder: the close says nothing, and saves both files in place where they
    // may be written, nothing where they may not.
    void readOnlyFolderAtClose_data()
    {
        QTest::addColumn<bool>("filesWritable");
        QTest::newRow("read-only files") << false;
        QTest::newRow("writable files") << true;
    }

    void readOnlyFolderAtClose()
    {
        QFETCH(bool, filesWritable);
        TmpfsFolder disk(256 * 1024);
        if (!disk.isMounted())
            QSKIP(qPrintable(QStringLiteral("a read-only folder needs a tmpfs of its own (as root "
                                            "permission bits deny nothing), and ")
                             + disk.error()));
        QueryHistory::save(disk.filePath(QueryHistory::fileName), {"旧词"});
        QVERIFY(writeFile(disk.filePath(settingsName), goodValues()));
        const QByteArray oldHistory = readAll(disk.filePath(QueryHistory::fileName));
        QVERIFY(filesWritable
                    ? disk.makeReadOnlyKeepingWritable({QueryHistory::fileName, settingsName})
                    : disk.makeReadOnly());

        SilenceWatch silence;
        QList<QByteArray> history;
        {
            TfrmMain window(disk.path());
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QCOMPARE(window.historyItems(), QList<QByteArray>({"旧词"}));
            QCOMPARE(window.CmbBoxType->currentIndex(), 2);
            change(window, QSize(750, 450), 0);
            search(window, QStringLiteral("新词"));
            history = window.historyItems();
            window.close();
        }
        QVERIFY(WindowFixture::waitForPostedEvents());
        QVERIFY2(!silence.boxShown(), qPrintable(silence.text()));
        if (filesWritable) {
            QCOMPARE(history.size(), 2);
            QCOMPARE(readAll(disk.filePath(QueryHistory::fileName)), QueryHistory::serialise(history));
            const Stored values = stored(disk.filePath(settingsName));
            QCOMPARE(values.width, 750);
            QCOMPARE(values.height, 450);
            QCOMPARE(values.id, 0);
        } else {
            QCOMPARE(readAll(disk.filePath(QueryHistory::fileName)), oldHistory);
            QCOMPARE(readAll(disk.filePath(settingsName)), goodValues());
        }
        QCOMPARE(QDir(disk.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden
                                             | QDir::System),
                 QStringList({settingsName, QueryHistory::fileName}));
    }

private:
    WindowFixture fixture;
};

VERITOME_WEB_TEST_MAIN(TestWindowFaults)
#include "tst_windowfaults.moc"
