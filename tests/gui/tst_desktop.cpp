#include "Application.h"
#include "DesktopPlatform.h"
#include "LookupPopup.h"
#include "Unit2.h"
#include "UnitMain.h"
#include "WindowFixture.h"

#include <QApplication>
#include <QOpenGLContext>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QWindow>
#include <cstdio>

namespace {

// Runs in a child process on the session its environment describes: prints the platform
// it came up on, whether a drag off the cool bar floated the tool bar, whether the process
// opened OpenGL (the engine's start asks for a context all others share), and whether the
// look-up popup comes up on the screen there.
int runChild(int argc, char** argv)
{
    App::prepareProcess();
    QApplication app(argc, argv);
    WindowFixture fixture;
    if (!fixture.open(false))
        return 2;
    TfrmMain& window = *fixture.window();
    QToolBar* bar = window.ToolBar2;
    const QPoint grab = bar->mapTo(&window, QPoint(bar->width() - 40, bar->height() / 2));
    const QPoint drop = grab + QPoint(0, window.height() + 60);
    QTest::mousePress(window.windowHandle(), Qt::LeftButton, {}, grab);
    QTest::mouseMove(window.windowHandle(), drop);
    QTest::mouseRelease(window.windowHandle(), Qt::LeftButton, {}, drop);
    const QOpenGLContext* shared = QOpenGLContext::globalShareContext();
    // Nothing selected: the popup says so, without a page.
    window.lookUpInPopup(QString());
    const bool popupShown = QTest::qWaitForWindowExposed(window.popup());
    std::printf("%s %s %s %s\n", qPrintable(QGuiApplication::platformName()),
                window.floatingHost() ? "floats" : "docked",
                shared && shared->isValid() ? "with-gl" : "no-gl",
                popupShown ? "popup" : "no-popup");
    return 0;
}

} // namespace

// Which window system the program runs on, and that the tool bar floats only where it can
// come back.
class TestDesktop : public QObject {
    Q_OBJECT

private slots:
    void platformForSession_data()
    {
        QTest::addColumn<QByteArray>("chosen");
        QTest::addColumn<QByteArray>("sessionType");
        QTest::addColumn<QByteArray>("waylandDisplay");
        QTest::addColumn<QByteArray>("x11Display");
        QTest::addColumn<QByteArray>("platform");
        QTest::newRow("X11 session") << QByteArray() << QByteArray("x11") << QByteArray()
                                     << QByteArray(":0") << QByteArray();
        QTest::newRow("Wayland with XWayland") << QByteArray() << QByteArray("wayland")
                                               << QByteArray("wayland-0") << QByteArray(":0")
                                               << QByteArray("xcb");
        QTest::newRow("Wayland socket, no session type")
            << QByteArray() << QByteArray() << QByteArray("wayland-0") << QByteArray(":1")
            << QByteArray("xcb");
        QTest::newRow("Wayland only") << QByteArray() << QByteArray("wayland")
                                      << QByteArray("wayland-0") << QByteArray()
                                      << QByteArray("wayland");
        QTest::newRow("Wayland session type only") << QByteArray() << QByteArray("wayland")
                                                   << QByteArray() << QByteArray()
                                                   << QByteArray("wayland");
        QTest::newRow("user chose Wayland") << QByteArray("wayland") << QByteArray("wayland")
                                            << QByteArray("wayland-0") << QByteArray(":0")
                                            << QByteArray();
        QTest::newRow("user chose offscreen") << QByteArray("offscreen") << QByteArray()
                                              << QByteArray() << QByteArray() << QByteArray();
        QTest::newRow("nothing at all") << QByteArray() << QByteArray() << QByteArray()
                                        << QByteArray() << QByteArray();
    }

    void platformForSession()
    {
        QFETCH(QByteArray, chosen);
        QFETCH(QByteArray, sessionType);
        QFETCH(QByteArray, waylandDisplay);
        QFETCH(QByteArray, x11Display);
        QFETCH(QByteArray, platform);
        QCOMPARE(Desktop::platformFor({chosen, sessionType, waylandDisplay, x11Display}),
                 platform);
    }

    // A real compositor with XWayland; the program runs in a child process on it. It draws
    // nothing through OpenGL on either side, so it does not load the GL driver.
    void onWeston_data()
    {
        QTest::addColumn<bool>("xwayland");
        QTest::addColumn<QByteArray>("chosen");
        QTest::addColumn<QString>("expected");
        QTest::newRow("XWayland there") << true << QByteArray() << "xcb floats no-gl popup";
        QTest::newRow("user chose Wayland")
            << true << QByteArray("wayland") << "wayland docked no-gl popup";
        QTest::newRow("Wayland only") << false << QByteArray() << "wayland docked no-gl popup";
    }

    void onWeston()
    {
        QFETCH(bool, xwayland);
        QFETCH(QByteArray, chosen);
        QFETCH(QString, expected);
        if (!startWeston())
            QSKIP("weston with XWayland does not start here");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime->path());
        environment.insert(QStringLiteral("WAYLAND_DISPLAY"), socket);
        environment.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        if (!chosen.isEmpty())
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QString::fromLatin1(chosen));
        if (xwayland)
            environment.insert(QStringLiteral("DISPLAY"), x11Display);
        else
            environment.remove(QStringLiteral("DISPLAY"));
        QProcess child;
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::SeparateChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child")});
        QVERIFY(child.waitForFinished(120000));
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 child.readAllStandardError().right(2000).constData());
        QCOMPARE(QString::fromLatin1(child.readAllStandardOutput().trimmed()), expected);
    }

    void cleanupTestCase()
    {
        if (weston.state() != QProcess::NotRunning) {
            weston.terminate();
            if (!weston.waitForFinished(10000))
                weston.kill();
        }
    }

private:
    // Headless weston with XWayland on a socket and a runtime folder of its own.
    bool startWeston()
    {
        if (weston.state() == QProcess::Running)
            return !x11Display.isEmpty();
        if (QStandardPaths::findExecutable(QStringLiteral("weston")).isEmpty())
            return false;
        runtime = std::make_unique<QTemporaryDir>();
        socket = QStringLiteral("wl-veritome-test");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime->path());
        weston.setProcessEnvironment(environment);
        weston.setProcessChannelMode(QProcess::MergedChannels);
        weston.start(QStringLiteral("weston"),
                     {QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--socket=") + socket,
                      QStringLiteral("--xwayland"), QStringLiteral("--width=1280"),
                      QStringLiteral("--height=800")});
        const QRegularExpression listening(QStringLiteral("xserver listening on display (:\\d+)"));
        QByteArray log;
        const bool ready = QTest::qWaitFor(
            [&] {
                log += weston.readAll();
                const QRegularExpressionMatch match = listening.match(QString::fromLatin1(log));
                if (match.hasMatch())
                    x11Display = match.captured(1);
                return !x11Display.isEmpty() || weston.state() == QProcess::NotRunning;
            },
            20000);
        return ready && !x11Display.isEmpty();
    }

    QProcess weston;
    std::unique_ptr<QTemporaryDir> runtime;
    QString socket;
    QString x11Display;
};

int main(int argc, char** argv)
{
    if (argc == 2 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argc, argv);
    QCoreApplication app(argc, argv);
    TestDesktop test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktop.moc"
