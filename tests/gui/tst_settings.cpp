#include "ModalAnswerer.h"
#include "ProfileFile.h"
#include "QueryHistory.h"
#include "TestTools.h"
#include "UnitMain.h"
#include "WebTestMain.h"
#include "WindowFixture.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// The entries of one section of a settings file, keys spelt as written; section names
// match without regard to case, as the program reads them.
QStringList entriesOf(const QByteArray& content, const QByteArray& section)
{
    QStringList entries;
    bool inSection = false;
    for (QByteArray line : content.split('\n')) {
        line = line.trimmed();
        if (line.startsWith('['))
            inSection = line.compare('[' + section + ']', Qt::CaseInsensitive) == 0;
        else if (inSection && line.contains('='))
            entries.append(QString::fromLatin1(line));
    }
    return entries;
}

// Sets or clears the immutable attribute: even root can then neither change the file nor
// add to or remove from the folder.
bool setImmutable(const QString& path, bool immutable)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = immutable ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

struct ImmutableGuard {
    QStringList paths;
    ~ImmutableGuard()
    {
        for (const QString& path : paths)
            setImmutable(path, false);
    }
};

const QString settingsName = TfrmMain::settingsFileName;
const QString historyName = QueryHistory::fileName;

} // namespace

// The settings file through the real window: the size and the mode it restores, what it
// writes at close, and what happens when it cannot write. How the stored text reads is the
// settings unit's own table; the rows here need a real frame, window manager or screen.
class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(fixture.startServer());
        primary = QGuiApplication::primaryScreen()->geometry();
        screen = primary.size();
        windowManager = qEnvironmentVariable("VERITOME_TEST_WINDOW_MANAGER");
        qInfo("platform %s, primary screen %dx%d at %d,%d of %lld, window manager: %s",
              qPrintable(QGuiApplication::platformName()), screen.width(), screen.height(),
              primary.x(), primary.y(), qlonglong(QGuiApplication::screens().size()),
              windowManager.isEmpty() ? "none" : qPrintable(windowManager));
    }

    void init() { QVERIFY(fixture.newFolder()); }
    void cleanup() { fixture.reset(); }

    void firstRun()
    {
        if (screen.width() <= 729 || screen.height() <= 528)
            QSKIP("the screen is smaller than the designed window");
        QVERIFY(openSettled());
        QTRY_COMPARE(fixture->frameGeometry().size(), QSize(729, 528));
        // Centred on the primary screen, wherever that lies on the desktop.
        QTRY_COMPARE(fixture->frameGeometry().topLeft(),
                     primary.topLeft()
                         + QPoint((screen.width() - 729) / 2, (screen.height() - 528) / 2));
        QVERIFY(primary.contains(fixture->frameGeometry()));
        QCOMPARE(fixture->CmbBoxType->currentIndex(), 0);
        QCOMPARE(fixture->CmbBoxType->currentText(), QStringLiteral("百科全书"));
        QVERIFY(fixture->PnlBook->isVisible());
        QVERIFY(!QFile::exists(fixture.filePath(settingsName)));
        fixture->close();

        const QByteArray written = fixture.settings();
        QVERIFY(written.contains("[Form]\r\n"));
        QVERIFY(written.contains("[Dictionary]\r\n"));
        QCOMPARE(entriesOf(written, "Form"), QStringList({"width=729", "Height=528"}));
        QCOMPARE(entriesOf(written, "Dictionary"), QStringList({"ID=0"}));
    }

    void storedSize_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QSize>("expected");
        const int w = screen.width();
        const int h = screen.height();
        const auto size = [](int width, int height) {
            return "[Form]\r\nwidth=" + QByteArray::number(width)
                + "\r\nHeight=" + QByteArray::number(height) + "\r\n";
        };
        QTest::newRow("smaller than the bars") << size(10, 10) << QSize(10, 10);
        QTest::newRow("width over the screen") << size(w + 1, 400) << QSize(w, 400);
        QTest::newRow("height screen + 10") << size(500, h + 10) << QSize(500, h + 10);
        QTest::newRow("height screen + 11") << size(500, h + 11) << QSize(500, h);
    }

    // The stored size, within the primary screen's limits, is the window's outer size,
    // frame included; and the size written at close is the one that was read.
    void storedSize()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QSize, expected);
        QVERIFY(fixture.write(settingsName, settings));
        QVERIFY(openSettled());
        // A window is never smaller than what shows all its controls.
        expected = expected.expandedTo(fixture->frameGeometry().size() - fixture->size()
                                       + fixture->minimumSize());
        QTRY_COMPARE(fixture->frameGeometry().size(), expected);
        fixture->close();
        QCOMPARE(writtenSize(), expected);
    }

    void storedMode_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<int>("index");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("1") << QByteArray("[Dictionary]\r\nID=1\r\n") << 1 << QByteArray("ID=1");
        QTest::newRow("3") << QByteArray("[Dictionary]\r\nID=3\r\n") << -1 << QByteArray("ID=-1");
    }

    // The mode comes back from the file when the window shows, and goes back at close;
    // the source list shows in encyclopaedia mode only.
    void storedMode()
    {
        QFETCH(QByteArray, settings);
        QFETCH(int, index);
        QFETCH(QByteArray, written);
        QVERIFY(fixture.write(settingsName, settings));
        QVERIFY(fixture.open(false));
        QCOMPARE(fixture->CmbBoxType->currentIndex(), index);
        QCOMPARE(fixture->CmbBoxType->currentText(), fixture->CmbBoxType->itemText(index));
        QCOMPARE(fixture->PnlBook->isVisible(), index == 0);
        fixture->close();
        QCOMPARE(entriesOf(fixture.settings(), "Dictionary"),
                 QStringList({QString::fromLatin1(written)}));
    }

    void chosenModeComesBack()
    {
        QVERIFY(fixture.open(false));
        QTest::keyClick(fixture->CmbBoxType, Qt::Key_Down);
        QTest::keyClick(fixture->CmbBoxType, Qt::Key_Down);
        QCOMPARE(fixture->CmbBoxType->currentIndex(), 2);
        QVERIFY(fixture->PnlBook->isHidden());
        fixture->close();

        QVERIFY(fixture.open(false));
        QCOMPARE(fixture->CmbBoxType->currentText(), QStringLiteral("英汉汉英词典"));
        QVERIFY(fixture->PnlBook->isHidden());
    }

    void unwritable_data()
    {
        QTest::addColumn<QString>("blocker");
        QTest::newRow("folder in place of the settings file") << "settings is a folder";
        QTest::newRow("folder inside a file") << "parent is a file";
        QTest::newRow("read-only folder") << "immutable folder";
        QTest::newRow("read-only settings file") << "immutable settings";
    }

    // When nothing can be written the program still closes, says nothing and leaves the
    // old files as they were.
    void unwritable()
    {
        QFETCH(QString, blocker);
        const QByteArray oldSettings = "; kept\r\n[Form]\r\nwidth=700\r\nHeight=500\r\n\r\n"
                                       "[Dictionary]\r\nID=1\r\n";
        const QByteArray oldHistory = "old\nterms";
        const QString settingsPath = fixture.filePath(settingsName);
        QString folder = fixture.folderPath();
        ImmutableGuard guard;
        if (blocker == "settings is a folder") {
            QVERIFY(QDir(folder).mkdir(settingsName));
        } else if (blocker == "parent is a file") {
            QVERIFY(fixture.write(QStringLiteral("file"), "x"));
            folder = fixture.filePath(QStringLiteral("file/app"));
        } else {
            QVERIFY(fixture.write(settingsName, oldSettings));
            QVERIFY(fixture.write(historyName, oldHistory));
            const QString locked = blocker == "immutable folder" ? folder : settingsPath;
            if (!setImmutable(locked, true))
                QSKIP("this file system cannot make a file read-only for root");
            guard.paths.append(locked);
        }

        TfrmMain& window = fixture.make(folder);
        QSignalSpy closed(&window, &TfrmMain::closed);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::keyClick(window.CmbBoxType, Qt::Key_Down);
        ModalAnswerer noBox;
        window.close();
        QCOMPARE(closed.size(), 1);
        QVERIFY(!window.isVisible());
        QVERIFY(WindowFixture::waitForPostedEvents());
        QVERIFY(!noBox.answered());

        if (blocker == "settings is a folder") {
            QVERIFY(QFileInfo(settingsPath).isDir());
            QVERIFY(QDir(settingsPath).isEmpty());
            QVERIFY(QFile::exists(fixture.filePath(historyName))); // written all the same
        } else if (blocker == "parent is a file") {
            QCOMPARE(fixture.read(QStringLiteral("file")), QByteArray("x"));
        } else {
            QCOMPARE(fixture.settings(), oldSettings);
            if (blocker == "immutable folder")
                QCOMPARE(fixture.history(), oldHistory);
            else
                QCOMPARE(fixture.history(), QByteArray("old\r\nterms\r\n"));
            QCOMPARE(QDir(fixture.folderPath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                     QStringList({settingsName, historyName}));
        }
    }

    void sizeSurvivesRepeatedRuns_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("first run") << QByteArray() << QSize(729, 528);
        QTest::newRow("stored size") << QByteArray("[Form]\r\nwidth=711\r\nHeight=433\r\n")
                                     << QSize(711, 433);
    }

    // Opened and closed untouched, again and again, the window keeps its size exactly,
    // whatever frame the window system puts around it.
    void sizeSurvivesRepeatedRuns()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QSize, expected);
        if (!settings.isEmpty())
            QVERIFY(fixture.write(settingsName, settings));
        for (int run = 1; run <= 10; ++run) {
            QVERIFY(openSettled());
            QTRY_COMPARE(fixture->frameGeometry().size(), expected);
            const QSize frame = fixture->frameGeometry().size() - fixture->size();
            QCOMPARE(fixture->size(), expected - frame);
            if (run == 1)
                qInfo("frame adds %dx%d", frame.width(), frame.height());
            fixture->close();
            QCOMPARE(writtenSize(), expected);
        }
    }

    // The close sequence runs once; a later close request leaves the released settings
    // alone.
    void secondCloseRequest()
    {
        QVERIFY(fixture.open(false));
        QSignalSpy closed(fixture.window(), &TfrmMain::closed);
        fixture->close();
        QCOMPARE(closed.size(), 1);
        QVERIFY(QFile::remove(fixture.filePath(settingsName)));
        QVERIFY(QFile::remove(fixture.filePath(historyName)));

        fixture->close();
        QCloseEvent request;
        QCoreApplication::sendEvent(fixture.window(), &request);
        QVERIFY(request.isAccepted());
        fixture->show();
        QVERIFY(QTest::qWaitForWindowExposed(fixture.window()));
        fixture->close();
        QCOMPARE(closed.size(), 1);
        QVERIFY(!QFile::exists(fixture.filePath(settingsName)));
        QVERIFY(!QFile::exists(fixture.filePath(historyName)));
    }

private:
    QSize writtenSize() const
    {
        const ProfileFile file(fixture.filePath(settingsName));
        return QSize(file.readInteger("Form", "Width", -1), file.readInteger("Form", "Height", -1));
    }

    // A window in the folder, shown and, under a window manager, framed by it.
    bool openSettled()
    {
        if (!fixture.open(false))
            return false;
        return windowManager.isEmpty() || waitUntil([this] {
                   return fixture->frameGeometry().size() != fixture->size();
               }, 15000);
    }

    WindowFixture fixture;
    QRect primary;
    QSize screen;
    QString windowManager;
};

VERITOME_WEB_TEST_MAIN(TestSettings)
#include "tst_settings.moc"
