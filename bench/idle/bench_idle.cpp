// CPU time and wake-ups of a program left alone for 10 s with its pages loaded: the main
// window after a search (banner plus one result tab), with the button tool bar docked and
// floating, and as the floor a bare web view showing the same page. Each runs in a child
// process of its own; the figures come out side by side.

#include "Application.h"
#include "CaretRest.h"
#include "Unit2.h"
#include "LoopbackServer.h"
#include "UnitMain.h"
#include "WebBrowser.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>
#include <QWebEngineView>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

constexpr int idleSeconds = 10;

struct ProcessTimes {
    double self = 0; // seconds of user plus system time
    double tree = 0; // the process and all its descendants
};

// utime + stime and the parent of one process, from /proc/PID/stat.
bool readStat(const QString& pid, double& seconds, QString& parent)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray stat = file.readAll();
    // The command name in parentheses may hold blanks; the fields follow its last ')'.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return false;
    parent = QString::fromLatin1(fields[1]);
    seconds = (fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
    return true;
}

ProcessTimes cpuTimes()
{
    QMap<QString, QString> parents;
    QMap<QString, double> seconds;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        double cpu = 0;
        QString parent;
        if (!pid.front().isDigit() || !readStat(pid, cpu, parent))
            continue;
        parents.insert(pid, parent);
        seconds.insert(pid, cpu);
    }
    const QString self = QString::number(::getpid());
    ProcessTimes times;
    times.self = seconds.value(self);
    for (auto it = seconds.cbegin(); it != seconds.cend(); ++it) {
        for (QString pid = it.key(); !pid.isEmpty() && pid != QStringLiteral("0");
             pid = parents.value(pid)) {
            if (pid == self) {
                times.tree += it.value();
                break;
            }
        }
    }
    return times;
}

// Context switches of this process's threads, voluntary and not: each is a wake-up or a
// preemption. The first thread is the user-interface thread.
struct Switches {
    qint64 mainThread = 0;
    qint64 process = 0;
};

qint64 switchesOf(const QString& statusPath)
{
    QFile file(statusPath);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    qint64 count = 0;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.contains("ctxt_switches:"))
            count += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
    return count;
}

Switches contextSwitches()
{
    const QString self = QString::number(::getpid());
    Switches switches;
    switches.mainThread = switchesOf(QStringLiteral("/proc/%1/task/%1/status").arg(self));
    const QString tasks = QStringLiteral("/proc/%1/task").arg(self);
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        switches.process += switchesOf(tasks + QLatin1Char('/') + task + QStringLiteral("/status"));
    return switches;
}

// Drags the button tool bar off the cool bar with mouse events through the window, as
// the window system would deliver them.
bool floatToolBar(TfrmMain& window)
{
    QToolBar* bar = window.ToolBar2;
    const QPoint inBar(bar->width() - 40, bar->height() / 2);
    if (bar->childAt(inBar))
        return false;
    QWindow* handle = window.windowHandle();
    const QPoint from = bar->mapTo(&window, inBar);
    const QPoint to = from + QPoint(0, window.height() + 40);
    QTest::mousePress(handle, Qt::LeftButton, {}, from);
    QTest::mouseMove(handle, to);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, to);
    TfrmFloating* host = window.floatingHost();
    return host && QTest::qWaitForWindowExposed(host);
}

void idle(int seconds)
{
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs in the child: loads, settles, and prints the figures of the idle span.
int measure(const QString& mode)
{
    LoopbackServer server;
    if (!server.start())
        return 1;
    server.setHandler([](const LoopbackServer::Request&) {
        return LoopbackServer::page("<html><head><meta charset=utf-8></head><body>"
                                    "<p>百科全书 idle page</p><input value=term></body></html>");
    });
    QTemporaryDir folder;
    std::unique_ptr<TfrmMain> window;
    std::unique_ptr<QWebEngineView> view;
    if (mode != QLatin1String("floor")) {
        window = std::make_unique<TfrmMain>(folder.path());
        window->show();
        QSignalSpy banner(window->WbAd, &TWebBrowser::DocumentComplete);
        window->CmbBoxType->setCurrentIndex(1);
        window->CmbBoxTypeChange(window->CmbBoxType);
        window->CmbBook->setEditText(QStringLiteral("abc"));
        window->CmbBook->setFocus();
        window->BtnBookOKClick(window->BtnBookOK);
        TWebBrowser* result = window->GetActiveWebBrowser();
        if (!result)
            return 1;
        QSignalSpy loaded(result, &TWebBrowser::DocumentComplete);
        if (!loaded.wait(60000) || !(banner.count() || banner.wait(60000)))
            return 1;
        if (mode == QLatin1String("floating") && !floatToolBar(*window))
            return 1;
    } else {
        view = std::make_unique<QWebEngineView>();
        view->resize(729, 528);
        view->show();
        QSignalSpy loaded(view.get(), &QWebEngineView::loadFinished);
        view->load(QUrl(QStringLiteral("http://page.test/")));
        if (!loaded.wait(60000))
            return 1;
    }
    // The first frames, the renderer's own start-up work, and the carets' blinking, which
    // stops once nothing has been typed or clicked for a while.
    idle(CaretRest::defaultRest / 1000 + 3);
    const Switches switchesBefore = contextSwitches();
    const ProcessTimes before = cpuTimes();
    idle(idleSeconds);
    const ProcessTimes after = cpuTimes();
    const Switches switchesAfter = contextSwitches();
    std::printf("%lld %lld %.3f %.3f\n", switchesAfter.mainThread - switchesBefore.mainThread,
                switchesAfter.process - switchesBefore.process, after.self - before.self,
                after.tree - before.tree);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const QStringList arguments = [&] {
        QStringList list;
        for (int i = 1; i < argc; ++i)
            list.append(QString::fromLocal8Bit(argv[i]));
        return list;
    }();
    if (arguments.size() == 2 && arguments[0] == QLatin1String("--measure")) {
        const int port = LoopbackServer::reservePort();
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
                QByteArray("--host-resolver-rules=\"MAP * 127.0.0.1:") + QByteArray::number(port)
                    + "\"");
        App::prepareProcess();
        QApplication app(argc, argv);
        App::prepareApplication(app);
        return measure(arguments[1]);
    }

    QCoreApplication app(argc, argv);
    const char* wm = std::getenv("VERITOME_BENCH_WINDOW_MANAGER");
    std::printf("Left alone for %d s with its pages loaded, on %s (window manager: %s)\n",
                idleSeconds, qgetenv("DISPLAY").constData(), wm && *wm ? wm : "none");
    std::printf("%-40s %14s %14s %12s %12s\n", "", "wake-ups:", "wake-ups:", "CPU s:",
                "CPU s:");
    std::printf("%-40s %14s %14s %12s %12s\n", "", "main thread", "process", "process",
                "whole tree");
    const QList<QPair<QString, QString>> runs = {
        {QStringLiteral("floor"), QStringLiteral("floor: a bare web view, same page")},
        {QStringLiteral("docked"), QStringLiteral("Veritome, tool bar docked")},
        {QStringLiteral("floating"), QStringLiteral("Veritome, tool bar floating")}};
    for (const auto& [mode, label] : runs) {
        QProcess child;
        child.setStandardErrorFile(QProcess::nullDevice());
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--measure"), mode});
        if (!child.waitForFinished(180000) || child.exitCode() != 0) {
            std::printf("%-40s %14s\n", qPrintable(label), "failed");
            continue;
        }
        const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
        std::printf("%-40s %14s %14s %12s %12s\n", qPrintable(label), figures.value(0).constData(),
                    figures.value(1).constData(), figures.value(2).constData(),
                    figures.value(3).constData());
    }
    std::printf("wake-ups are context switches, voluntary or not, in the %d s\n", idleSeconds);
    return 0;
}
