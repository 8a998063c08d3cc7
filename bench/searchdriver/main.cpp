#include "Application.h"
#include "Banner.h"
#include "UnitMain.h"
#include "WebBrowser.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <unistd.h>

// Searches in the real main window, as bench/search needs them:
//   veritome_search_driver PORT TERM [ENGINE-FLAG...]
// Every host name goes to 127.0.0.1:PORT. Once the banner is in, the term is put into
// the query box and Enter is pressed; the driver prints how long Enter took (the search
// runs inside it, up to the last Navigate) and how long until every result page had
// loaded. Then it searches again for every line on its standard input, and ends when
// that closes; its memory is read from outside in between.

namespace {

bool runUntil(const std::function<bool()>& done, int timeout)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    if (!done())
        loop.exec();
    return done();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PORT TERM [ENGINE-FLAG...]\n", argv[0]);
        return 2;
    }
    QByteArray flags = QByteArray("--host-resolver-rules=\"MAP * 127.0.0.1:") + argv[1] + '"';
    for (int i = 3; i < argc; ++i)
        flags += ' ' + QByteArray(argv[i]);
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    const QString term = QString::fromUtf8(argv[2]);

    // The bench also measures the engine as it comes, without the program's lean set-up.
    App::prepareProcess(qEnvironmentVariableIsSet("VERITOME_ENGINE_DEFAULTS")
                            ? App::EngineFootprint::EngineDefaults
                            : App::EngineFootprint::Lean);
    // ... and the program's set-up with one of its engine flags taken away.
    const QByteArray without = qgetenv("VERITOME_BENCH_WITHOUT_FLAG");
    if (!without.isEmpty()) {
        QList<QByteArray> kept = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").split(' ');
        kept.removeAll(without);
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", kept.join(' '));
    }
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    App::prepareApplication(application);
    QApplication::setApplicationName(App::title);

    QTemporaryDir folder;
    TfrmMain window(folder.path());
    if (qEnvironmentVariableIsSet("VERITOME_BENCH_SHARED_SESSION"))
        window.WbAd->setSeparateSession(false);
    if (qEnvironmentVariableIsSet("VERITOME_BENCH_BANNER_KEPT"))
        window.findChild<Banner*>()->setResting(false);
    bool bannerIn = false;
    QObject::connect(window.WbAd, &TWebBrowser::DocumentComplete, [&] { bannerIn = true; });
    window.show();
    if (!runUntil([&] { return bannerIn; }, 60000)) {
        std::fprintf(stderr, "the banner did not load\n");
        return 1;
    }

    // One search: the term, Enter, and the wait for every result page.
    int round = 0;
    auto search = [&]() -> bool {
        ++round;
        window.CmbBook->setEditText(round == 1 ? term : term + QString::number(round));
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QElapsedTimer clock;
        clock.start();
        QApplication::sendEvent(window.CmbBook, &press);
        const double enterMs = clock.nsecsElapsed() / 1e6;
        QApplication::sendEvent(window.CmbBook, &release);

        QList<TWebBrowser*> results = window.findChildren<TWebBrowser*>();
        results.removeOne(window.WbAd);
        int loaded = 0;
        int failed = 0;
        double loadedMs = 0;
        for (TWebBrowser* browser : results)
            QObject::connect(browser, &TWebBrowser::DocumentComplete, &window, [&](bool ok) {
                ++(ok ? loaded : failed);
                loadedMs = clock.nsecsElapsed() / 1e6;
            });
        const qsizetype expected = results.size();
        if (!runUntil([&] { return loaded + failed == expected; }, 60000) || failed > 0) {
            std::fprintf(stderr, "%d of %d pages loaded\n", loaded, int(expected));
            return false;
        }
        for (TWebBrowser* browser : results)
            QObject::disconnect(browser, &TWebBrowser::DocumentComplete, &window, nullptr);
        std::printf("round=%d views=%d enter_ms=%.3f loaded_ms=%.1f\n", round, int(expected),
                    enterMs, loadedMs);
        std::fflush(stdout);
        return true;
    };
    if (!search())
        return 1;

    // Each line on standard input asks for one more search; its end ends the program.
    bool ok = true;
    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count <= 0) {
            application.quit();
            return;
        }
        pending.append(buffer, count);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0;) {
            pending.remove(0, end + 1);
            if (!search()) {
                ok = false;
                application.quit();
                return;
            }
        }
    });
    application.exec();
    return ok ? 0 : 1;
}
