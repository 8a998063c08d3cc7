#include "BusStandIn.h"
#include "InstanceChannel.h"
#include "SearchRequests.h"
#include "TestTools.h"
#include "UnitMain.h"
#include "WebTestMain.h"
#include "WindowFixture.h"
#include "X11Tools.h"

#include <QClipboard>
#include <QDBusMessage>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const Wire baike{"%E7%99%BE%E7%A7%91", "%E7%99%BE%E7%A7%91", "%B0%D9%BF%C6",
                 "%E7%99%BE%E7%A7%91%2F"};
Wire ascii(const QString& term) { return {term, term, term, term + QStringLiteral("%2F")}; }

} // namespace

// The program itself, started as a user starts it: a copy in a folder of its own, against
// the loopback server, one start after another on one display.
class TestProgramStart : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!x11Connection())
            QSKIP("needs an X display");
        QVERIFY(fixture.startServer());
        fixture.server.setHandler([](const LoopbackServer::Request&) {
            return LoopbackServer::page("<html><body>page</body></html>");
        });
    }

    void init()
    {
        QVERIFY(fixture.newFolder());
        QVERIFY(QFile::copy(QStringLiteral(VERITOME_PROGRAM), program()));
        runtime = std::make_unique<QTemporaryDir>();
        QVERIFY(runtime->isValid());
        fixture.server.clearRequests();
    }

    void cleanup()
    {
        for (const auto& process : processes) {
            process->kill();
            process->waitForFinished(30000);
        }
        processes.clear();
        if (silentSocket >= 0)
            ::close(silentSocket);
        silentSocket = -1;
        fixture.reset();
    }

    // The term reaches the sites of the mode as a term typed into the query box does:
    // in a window of its own start, or handed to the window already running.
    void termOnTheWire_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("handedOver");
        QTest::addColumn<int>("storedMode"); // -1: no settings file
        QTest::addColumn<QString>("selected");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QByteArray>("history");

        for (const bool handedOver : {false, true}) {
            const char* how = handedOver ? "handed over" : "first start";
            QTest::addRow("%s, encyclopaedia by name", how)
                << QStringList{"--mode", "百科全书", "百科"} << handedOver << 2 << "" << 0
                << expectedRequests(0, baike) << QByteArray("\xB0\xD9\xBF\xC6\r\n");
            QTest::addRow("%s, idioms by number", how)
                << QStringList{"--mode", "1", "百科"} << handedOver << -1 << "" << 1
                << expectedRequests(1, baike) << QByteArray("\xB0\xD9\xBF\xC6\r\n");
            QTest::addRow("%s, stored English-Chinese mode, two words", how)
                << QStringList{"a", "b"} << handedOver << 2 << "" << 2
                << expectedRequests(2, ascii(QStringLiteral("a+b"))) << QByteArray("a b\r\n");
            QTest::addRow("%s, the selection", how)
                << QStringList{"--mode=1", "--selection"} << handedOver << 0 << "\n 百科 \n" << 1
                << expectedRequests(1, baike) << QByteArray("\xB0\xD9\xBF\xC6\r\n");
        }
    }

    void termOnTheWire()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, handedOver);
        QFETCH(int, storedMode);
        QFETCH(QString, selected);
        QFETCH(int, mode);
        QFETCH(QStringList, expected);
        QFETCH(QByteArray, history);

        if (storedMode >= 0)
            QVERIFY(fixture.write(TfrmMain::settingsFileName,
                                  "[Dictionary]\r\nID=" + QByteArray::number(storedMode) + "\r\n"));
        if (!selected.isEmpty())
            QGuiApplication::clipboard()->setText(selected, QClipboard::Selection);
        QProcess* window = nullptr;
        if (handedOver) {
            window = start({});
            QVERIFY(waitForWindow());
            QProcess* second = start(arguments);
            QVERIFY(endsWith(second, 0));
            QCOMPARE(second->readAllStandardOutput(), QByteArray());
            QCOMPARE(second->readAllStandardError(), QByteArray());
        } else {
            window = start(arguments);
        }
        QVERIFY2(waitUntil([&] { return requests() == expected; }, 60000),
                 qPrintable(requests().join(QLatin1Char('\n'))));
        QVERIFY(close(window));
        QCOMPARE(fixture.history(), history);
        QVERIFY(fixture.settings().contains("ID=" + QByteArray::number(mode) + "\r\n"));
    }

    // A second start hands its term over and ends; the one window keeps both terms.
    void twoStartsOneWindow()
    {
        QProcess* first = start({QStringLiteral("--mode=1"), QStringLiteral("aa")});
        QVERIFY(waitUntil([&] { return requests() == expectedRequests(1, ascii("aa")); }, 60000));
        QProcess* second = start({QStringLiteral("bb")});
        QVERIFY(endsWith(second, 0));
        QCOMPARE(first->state(), QProcess::Running);
        QVERIFY(waitUntil([&] { return fixture.server.received("f_key=bb"); }, 60000));
        QCOMPARE(shownWindowsOf(first->processId()).size(), 1);
        QVERIFY(close(first));
        QCOMPARE(fixture.history(), QByteArray("aa\r\nbb\r\n"));
    }

    // The running window's socket left behind by a program that is gone, or held by one
    // that no longer answers: the new start runs on its own, and later starts reach it,
    // also once the stopped window has come back and closed.
    void staleChannel_data()
    {
        QTest::addColumn<QString>("left");
        QTest::newRow("socket of a program gone") << "gone";
        QTest::newRow("socket that takes no requests") << "silent";
        QTest::newRow("window stopped") << "stopped";
    }

    void staleChannel()
    {
        QFETCH(QString, left);
        QProcess* stopped = nullptr;
        if (left == QLatin1String("stopped")) {
            stopped = start({});
            QVERIFY(waitForWindow());
            QCOMPARE(::kill(pid_t(stopped->processId()), SIGSTOP), 0);
        } else {
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime->path()));
            const QByteArray path = QFile::encodeName(InstanceChannel::socketPath(QString()));
            QVERIFY(path.startsWith(QFile::encodeName(runtime->path())));
            silentSocket = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::strcpy(address.sun_path, path.constData());
            QCOMPARE(::bind(silentSocket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
            QCOMPARE(::listen(silentSocket, 4), 0);
            if (left == QLatin1String("gone")) {
                ::close(silentSocket);
                silentSocket = -1;
            }
        }

        QProcess* first = start({QStringLiteral("--mode=1"), QStringLiteral("aa")});
        QVERIFY(waitUntil([&] { return fixture.server.received("f_key=aa"); }, 60000));
        if (stopped) {
            QCOMPARE(::kill(pid_t(stopped->processId()), SIGCONT), 0);
            QVERIFY(close(stopped));
        }
        QProcess* second = start({QStringLiteral("bb")});
        QVERIFY(endsWith(second, 0));
        QVERIFY(waitUntil([&] { return fixture.server.received("f_key=bb"); }, 60000));
        QVERIFY(close(first));
        QCOMPARE(fixture.history(), QByteArray("aa\r\nbb\r\n"));
    }

    // A window stopped for a while is taken over by a later start, then comes back: every
    // term is searched once, in one window, and the history keeps the terms of both
    // windows whichever closes last.
    void takenOverNothingLost_data()
    {
        QTest::addColumn<bool>("newerClosesFirst");
        QTest::newRow("the newer window closes first") << true;
        QTest::newRow("the window taken over closes first") << false;
    }

    void takenOverNothingLost()
    {
        QFETCH(bool, newerClosesFirst);
        const auto searches = [&](const QByteArray& term) {
            const QList<LoopbackServer::Request> all = fixture.server.requests();
            return std::count_if(all.cbegin(), all.cend(), [&](const LoopbackServer::Request& r) {
                return r.target.contains("f_key=" + term);
            });
        };
        QProcess* older = start({QStringLiteral("--mode=1"), QStringLiteral("firstterm")});
        QVERIFY(waitUntil([&] { return searches("firstterm") == 1; }, 60000));
        QCOMPARE(::kill(pid_t(older->processId()), SIGSTOP), 0);
        QProcess* newer = start({QStringLiteral("--mode=1"), QStringLiteral("secondterm")});
        QVERIFY(waitUntil([&] { return searches("secondterm") == 1; }, 60000));
        QCOMPARE(newer->state(), QProcess::Running);
        QCOMPARE(::kill(pid_t(older->processId()), SIGCONT), 0);
        // The window that comes back finds the request it was handed too late, and leaves it.
        QTest::qWait(1000);
        QVERIFY(endsWith(start({QStringLiteral("--mode=1"), QStringLiteral("thirdterm")}), 0));
        QVERIFY(waitUntil([&] { return searches("thirdterm") == 1; }, 60000));
        QTest::qWait(500);
        for (const QByteArray term : {"firstterm", "secondterm", "thirdterm"})
            QCOMPARE(searches(term), 1);
        QCOMPARE(shownWindowsOf(newer->processId()).size(), 1);

        QVERIFY(close(newerClosesFirst ? newer : older));
        QVERIFY(close(newerClosesFirst ? older : newer));
        QCOMPARE(fixture.history(), QByteArray("firstterm\r\nsecondterm\r\nthirdterm\r\n"));
    }

    // The program's own key, pressed with a word selected in another program, opens the
    // popup with that word's pages: beside the window, or with the program waiting in the
    // background, its window closed and its tray icon with the desktop's host. A start
    // shows the waiting window again.
    void popupKey_data()
    {
        QTest::addColumn<bool>("waiting");
        QTest::newRow("window open") << false;
        QTest::newRow("waiting in the background") << true;
    }

    void popupKey()
    {
        QFETCH(bool, waiting);
        BusStandIn trayHost;
        if (waiting) {
            QVERIFY(fixture.write(QStringLiteral("Veritoem.ini"), "[Veritome]\r\nStayReady=1\r\n"));
            QVERIFY(trayHost.start(QStringLiteral(VERITOME_FAKE_TRAY_HOST), {},
                                   QStringLiteral("org.kde.StatusNotifierWatcher")));
        }
        QProcess* window = start({QStringLiteral("--mode=2"), QStringLiteral("typed")});
        const qint64 pid = window->processId();
        QVERIFY(waitUntil([&] { return fixture.server.received("/typed"); }, 60000));
        if (waiting) {
            const auto items = [&] {
                const QDBusMessage reply = trayHost.call(QStringLiteral("/StatusNotifierWatcher"),
                                                         QStringLiteral("org.example.FakeWatcher"),
                                                         QStringLiteral("Items"));
                return reply.arguments().value(0).toStringList();
            };
            QVERIFY(waitUntil([&] { return items().size() == 1; }, 10000));
            QVERIFY(sendDeleteWindow(shownWindowsOf(pid).value(0)));
            QVERIFY(waitUntil([&] { return shownWindowsOf(pid).isEmpty(); }, 10000));
            QTest::qWait(500);
            QCOMPARE(window->state(), QProcess::Running);
            QCOMPARE(fixture.history(), QByteArray("typed\r\n"));
            QCOMPARE(items().size(), 1);
        }
        fixture.server.clearRequests();

        QGuiApplication::clipboard()->setText(QStringLiteral("keyword"), QClipboard::Selection);
        QCOMPARE(QProcess::execute(QStringLiteral("xdotool"),
                                   {QStringLiteral("key"), QStringLiteral("ctrl+alt+shift+y")}),
                 0);
        QVERIFY(waitUntil([&] { return requests() == expectedRequests(2, ascii(QStringLiteral("keyword"))); },
                          60000));
        QCOMPARE(shownWindowsOf(pid).size(), waiting ? 1 : 2);
        QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")}),
                 0);
        QVERIFY(waitUntil([&] { return shownWindowsOf(pid).size() == (waiting ? 0 : 1); }, 10000));
        if (!waiting)
            return;
        QCOMPARE(fixture.history(), QByteArray("typed\r\nkeyword\r\n"));
        QVERIFY(endsWith(start({}), 0));
        QVERIFY(waitUntil([&] { return shownWindowsOf(pid).size() == 1; }, 10000));
        // The window back asks for its banner again; no later test may see that request.
        QVERIFY(waitForWindow());
    }

    // A start for the popup alone shows no main window, and the program ends with the
    // popup, the term kept in the history.
    void popupAlone()
    {
        QProcess* popup = start({QStringLiteral("--popup"), QStringLiteral("--mode=2"),
                                 QStringLiteral("alone")});
        QVERIFY(waitUntil([&] { return requests() == expectedRequests(2, ascii(QStringLiteral("alone"))); },
                          60000));
        QCOMPARE(shownWindowsOf(popup->processId()).size(), 1);
        QVERIFY(!fixture.server.received("/soft/Veritome.aspx"));
        QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")}),
                 0);
        QVERIFY(endsWith(popup, 0));
        QCOMPARE(fixture.history(), QByteArray("alone\r\n"));
        QVERIFY(fixture.settings().contains("[Dictionary]\r\nID=2"));
    }

    // Help, version and bad command lines are answered on the spot: no window, no files,
    // and nothing handed to a window that runs.
    void commandLineAlone_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("windowRunning");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("error");

        QTest::newRow("--help") << QStringList{"--help"} << false << 0
                                << QByteArray("用法：Veritome") << QByteArray();
        QTest::newRow("--version") << QStringList{"--version"} << true << 0
                                   << QByteArray("版本 1.8.0.0") << QByteArray();
        QTest::newRow("unknown option") << QStringList{"--bogus", "x"} << false << 2 << QByteArray()
                                        << QByteArray("未知的选项：--bogus");
        QTest::newRow("unknown option, window running")
            << QStringList{"x", "--bogus"} << true << 2 << QByteArray()
            << QByteArray("未知的选项：--bogus");
        QTest::newRow("--mode without its value") << QStringList{"x", "--mode"} << true << 2
                                                  << QByteArray() << QByteArray("--mode");
        QTest::newRow("unknown mode") << QStringList{"--mode", "9", "x"} << false << 2
                                      << QByteArray() << QByteArray("未知的查询方式：“9”");
        QTest::newRow("blank term") << QStringList{" "} << true << 2 << QByteArray()
                                    << QByteArray("要查询的词是空的");
        QTest::newRow("selection and a term") << QStringList{"--selection", "x"} << false << 2
                                              << QByteArray() << QByteArray("--selection");
    }

    void commandLineAlone()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, windowRunning);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, error);

        QProcess* window = nullptr;
        if (windowRunning) {
            window = start({});
            QVERIFY(waitForWindow());
        }
        const QStringList before = QDir(fixture.folderPath()).entryList(QDir::Files);
        QProcess* alone = start(arguments);
        QVERIFY(endsWith(alone, exitCode));
        const QByteArray shownOut = alone->readAllStandardOutput();
        const QByteArray shownError = alone->readAllStandardError();
        QVERIFY2(out.isEmpty() ? shownOut.isEmpty() : shownOut.contains(out), shownOut.constData());
        QVERIFY2(error.isEmpty() ? shownError.isEmpty() : shownError.contains(error),
                 shownError.constData());
        QCOMPARE(QDir(fixture.folderPath()).entryList(QDir::Files), before);
        if (!windowRunning) {
            QCOMPARE(before, QStringList{QStringLiteral("Veritome")});
            QCOMPARE(QDir(runtime->path()).entryList(QDir::System | QDir::Files), QStringList());
            return;
        }
        // A term handed over after it is the first the running window searches.
        QVERIFY(endsWith(start({QStringLiteral("--mode=2"), QStringLiteral("after")}), 0));
        QVERIFY(waitUntil([&] { return fixture.server.received("/after"); }, 60000));
        QCOMPARE(requests(), expectedRequests(2, ascii(QStringLiteral("after"))));
        QCOMPARE(shownWindowsOf(window->processId()).size(), 1);
    }

private:
    QString program() const { return fixture.filePath(QStringLiteral("Veritome")); }

    QProcess* start(const QStringList& arguments)
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime->path());
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        process->setProcessEnvironment(environment);
        process->setWorkingDirectory(fixture.folderPath());
        process->start(program(), arguments);
        processes.push_back(std::move(process));
        return processes.back().get();
    }

    static bool endsWith(QProcess* process, int exitCode)
    {
        return waitUntil([process] { return process->state() == QProcess::NotRunning; }, 60000)
               && process->exitStatus() == QProcess::NormalExit && process->exitCode() == exitCode;
    }

    // The running window is up once it has asked for its banner.
    bool waitForWindow()
    {
        const bool up = waitUntil([this] { return fixture.server.received("/soft/Veritome.aspx"); },
                                  60000);
        fixture.server.clearRequests();
        return up;
    }

    QStringList requests() const
    {
        return resultRequests(fixture.server, TfrmMain::bannerHost.toLatin1());
    }

    // Closes the process's window as the user does, and waits for the program to end.
    bool close(QProcess* process)
    {
        const QList<xcb_window_t> windows = shownWindowsOf(process->processId());
        if (windows.size() != 1)
            return false;
        sendDeleteWindow(windows.first());
        return endsWith(process, 0);
    }

    WindowFixture fixture;
    std::unique_ptr<QTemporaryDir> runtime;
    std::vector<std::unique_ptr<QProcess>> processes;
    int silentSocket = -1;
};

VERITOME_WEB_TEST_MAIN(TestProgramStart)
#include "tst_programstart.moc"
