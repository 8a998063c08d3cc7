#include "LoopbackServer.h"
#include "ModalAnswerer.h"
#include "ProfileFile.h"
#include "UnitMain.h"
#include "WebTestMain.h"
#include "WindowFixture.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

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

} // namespace

// The settings file through the real window: the size and the mode it restores, what it
// writes at close, and what happens when it cannot write.
class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(server.start());
        server.setHandler([](const LoopbackServer::Request&) {
            return LoopbackServer::page("<html><body>banner</body></html>");
        });
        primary = QGuiApplication::primaryScreen()->geometry();
        screen = primary.size();
        windowManager = qEnvironmentVariable("VERITOME_TEST_WINDOW_MANAGER");
        qInfo("platform %s, primary screen %dx%d at %d,%d of %lld, window manager: %s",
              qPrintable(QGuiApplication::platformName()), screen.width(), screen.height(),
              primary.x(), primary.y(), qlonglong(QGuiApplication::screens().size()),
              windowManager.isEmpty() ? "none" : qPrintable(windowManager));
    }

    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
    }

    void firstRun()
    {
        if (screen.width() <= 729 || screen.height() <= 528)
            QSKIP("the screen is smaller than the designed window");
        {
            TfrmMain window(dir->path());
            showAndSettle(window);
            QTRY_COMPARE(window.frameGeometry().size(), QSize(729, 528));
            // Centred on the primary screen, wherever that lies on the desktop.
            QTRY_COMPARE(window.frameGeometry().topLeft(),
                         primary.topLeft()
                             + QPoint((screen.width() - 729) / 2, (screen.height() - 528) / 2));
            QVERIFY(primary.contains(window.frameGeometry()));
            QCOMPARE(window.CmbBoxType->currentIndex(), 0);
            QCOMPARE(window.CmbBoxType->currentText(), QStringLiteral("百科全书"));
            QVERIFY(window.PnlBook->isVisible());
            QVERIFY(!QFile::exists(settingsPath()));
            window.close();
        }
        const QByteArray written = readFile(settingsPath());
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
        QTest::newRow("width 9") << size(9, 400) << QSize(w, 400);
        QTest::newRow("width over the screen") << size(w + 1, 400) << QSize(w, 400);
        QTest::newRow("width 10") << size(10, 400) << QSize(10, 400);
        QTest::newRow("width of the screen") << size(w, 400) << QSize(w, 400);
        QTest::newRow("height 9") << size(500, 9) << QSize(500, h);
        QTest::newRow("height 10") << size(500, 10) << QSize(500, 10);
        QTest::newRow("height screen + 10") << size(500, h + 10) << QSize(500, h + 10);
        QTest::newRow("height screen + 11") << size(500, h + 11) << QSize(500, h);
    }

    // The stored size, within the screen's limits, is the window's outer size, frame
    // included; and the size written at close is the one that was read. How the stored text
    // reads is the settings unit's own table.
    void storedSize()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QSize, expected);
        QVERIFY(writeFile(settingsPath(), settings));
        {
            TfrmMain window(dir->path());
            showAndSettle(window);
            // A window is never smaller than what shows all its controls.
            expected = expected.expandedTo(window.frameGeometry().size() - window.size()
                                           + window.minimumSize());
            QTRY_COMPARE(window.frameGeometry().size(), expected);
            window.close();
        }
        QCOMPARE(writtenSize(), expected);
    }

    void storedMode_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<int>("index");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("0") << QByteArray("[Dictionary]\r\nID=0\r\n") << 0 << QByteArray("ID=0");
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
        QVERIFY(writeFile(settingsPath(), settings));
        {
            TfrmMain window(dir->path());
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QCOMPARE(window.CmbBoxType->currentIndex(), index);
            QCOMPARE(window.CmbBoxType->currentText(), window.CmbBoxType->itemText(index));
            QCOMPARE(window.PnlBook->isVisible(), index == 0);
            window.close();
        }
        QCOMPARE(entriesOf(readFile(settingsPath()), "Dictionary"),
                 QStringList({QString::fromLatin1(written)}));
    }

    void chosenModeComesBack()
    {
        {
            TfrmMain window(dir->path());
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QTest::keyClick(window.CmbBoxType, Qt::Key_Down);
            QTest::keyClick(window.CmbBoxType, Qt::Key_Down);
            QCOMPARE(window.CmbBoxType->currentIndex(), 2);
            QVERIFY(window.PnlBook->isHidden());
            window.close();
        }
        TfrmMain window(dir->path());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.CmbBoxType->currentText(), QStringLiteral("英汉汉英词典"));
        QVERIFY(window.PnlBook->isHidden());
        window.close();
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
        QString folder = dir->path();
        ImmutableGuard guard;
        if (blocker == "settings is a folder") {
            QVERIFY(QDir(folder).mkdir(QStringLiteral("Veritoem.ini")));
        } else if (blocker == "parent is a file") {
            QVERIFY(writeFile(dir->filePath("file"), "x"));
            folder = dir->filePath("file/app");
        } else {
            QVERIFY(writeFile(settingsPath(), oldSettings));
            QVERIFY(writeFile(historyPath(), oldHistory));
            const QString locked = blocker == "immutable folder" ? folder : settingsPath();
            if (!setImmutable(locked, true))
                QSKIP("this file system cannot make a file read-only for root");
            guard.paths.append(locked);
        }

        TfrmMain window(folder);
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
            QVERIFY(QFileInfo(settingsPath()).isDir());
            QVERIFY(QDir(settingsPath()).isEmpty());
            QVERIFY(QFile::exists(historyPath())); // the history is written all the same
        } else if (blocker == "parent is a file") {
            QCOMPARE(readFile(dir->filePath("file")), QByteArray("x"));
        } else {
            QCOMPARE(readFile(settingsPath()), oldSettings);
            if (blocker == "immutable folder")
                QCOMPARE(readFile(historyPath()), oldHistory);
            else
                QCOMPARE(readFile(historyPath()), QByteArray("old\r\nterms\r\n"));
            QCOMPARE(QDir(dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                     QStringList({"Veritoem.ini", "Veritome.qry"}));
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
            QVERIFY(writeFile(settingsPath(), settings));
        for (int run = 1; run <= 10; ++run) {
            {
                TfrmMain window(dir->path());
                showAndSettle(window);
                QTRY_COMPARE(window.frameGeometry().size(), expected);
                const QSize frame = window.frameGeometry().size() - window.size();
                QCOMPARE(window.size(), expected - frame);
                if (run == 1)
                    qInfo("frame adds %dx%d", frame.width(), frame.height());
                window.close();
            }
            QCOMPARE(writtenSize(), expected);
        }
    }

    // The close sequence runs once; a later close request leaves the released settings
    // alone.
    void secondCloseRequest()
    {
        TfrmMain window(dir->path());
        QSignalSpy closed(&window, &TfrmMain::closed);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.close();
        QCOMPARE(closed.size(), 1);
        QVERIFY(QFile::remove(settingsPath()));
        QVERIFY(QFile::remove(historyPath()));

        window.close();
        QCloseEvent request;
        QCoreApplication::sendEvent(&window, &request);
        QVERIFY(request.isAccepted());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.close();
        QCOMPARE(closed.size(), 1);
        QVERIFY(!QFile::exists(settingsPath()));
        QVERIFY(!QFile::exists(historyPath()));
    }

private:
    QString settingsPath() const { return dir->filePath(QStringLiteral("Veritoem.ini")); }
    QString historyPath() const { return dir->filePath(QStringLiteral("Veritome.qry")); }

    QSize writtenSize() const
    {
        const ProfileFile file(settingsPath());
        return QSize(file.readInteger("Form", "Width", -1), file.readInteger("Form", "Height", -1));
    }

    // Shows the window and, under a window manager, waits until it has framed the window.
    void showAndSettle(TfrmMain& window)
    {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        if (!windowManager.isEmpty())
            QTRY_VERIFY_WITH_TIMEOUT(window.frameGeometry().size() != window.size(), 15000);
    }

    LoopbackServer server;
    std::unique_ptr<QTemporaryDir> dir;
    QRect primary;
    QSize screen;
    QString windowManager;
};

VERITOME_WEB_TEST_MAIN(TestSettings)
#include "tst_settings.moc"
