#include "LoopbackServer.h"
#include "PageTools.h"
#include "ProcessTree.h"
#include "UnitMain.h"
#include "WebBrowser.h"
#include "WebTestMain.h"
#include "WindowFixture.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QSet>
#include <QSignalSpy>
#include <QTabWidget>
#include <QToolButton>
#include <QWebEngineView>
#include <limits>

namespace {

// The tree's memory once it has settled: engine processes of closed tabs take a while
// to exit and their pages' memory a while to be given back, so the least of the samples
// over six seconds counts.
Memory settledMemory(int* processes)
{
    Memory least{std::numeric_limits<qint64>::max(), std::numeric_limits<qint64>::max()};
    for (int sample = 0; sample < 25; ++sample) {
        if (sample > 0)
            QTest::qWait(250);
        const QList<qint64> tree = processTree();
        const Memory memory = treeMemory(tree);
        least.pss = qMin(least.pss, memory.pss);
        if (memory.own < least.own) {
            least.own = memory.own;
            least.ownHere = memory.ownHere;
            *processes = int(tree.size());
        }
    }
    return least;
}

// In the suite, enough searches for the widgets and processes at rest to be compared after
// a third of them and at the end; each takes about 1.5 s, most of it waiting for the closed
// tabs' renderers to end. bench/soak/run.sh runs 500.
int searchCount()
{
    bool ok = false;
    const int count = qEnvironmentVariableIntValue("VERITOME_SOAK_SEARCHES", &ok);
    return ok && count > 0 ? count : 48;
}

} // namespace

// Searches, one after another, in every mode in turn, each waiting for its pages:
// every closed tab takes its view and its engine process with it.
// VERITOME_SOAK_SEARCHES sets the number of searches (60 by default); with
// VERITOME_SOAK_MEMORY set, the memory is read and printed along the way (bench/soak
// compares the figures); with VERITOME_SOAK_NO_STORE set, the pages forbid the engine to
// cache them.
class TestSoak : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(fixture.startServer());
        fixture.server.setHandler([](const LoopbackServer::Request& request) {
            QByteArray html = "<html><head><title>" + request.target.toPercentEncoding()
                + "</title></head><body><h1>" + request.host + "</h1>";
            for (int i = 0; i < 150; ++i)
                html += "<p>段落 " + QByteArray::number(i) + " — text of a result page.</p>";
            html += "<script>document.title += ' ' + document.body.children.length;</script>"
                    "</body></html>";
            LoopbackServer::Response response = LoopbackServer::page(html);
            // Keeps the pages out of the engine's in-memory HTTP cache, which grows with
            // every new address up to a limit of its own.
            if (qEnvironmentVariableIsSet("VERITOME_SOAK_NO_STORE"))
                response.headers.append({QByteArray("Cache-Control"), QByteArray("no-store")});
            return response;
        });
    }

    void searchesInARow()
    {
        const int searches = searchCount();
        const int early = qMin(50, searches / 3);
        const bool measure = qEnvironmentVariableIsSet("VERITOME_SOAK_MEMORY");
        QVERIFY(fixture.open());
        TfrmMain& window = *fixture.window();
        const int processesAtRest = int(processTree().size());

        QElapsedTimer clock;
        clock.start();
        int widgetsAtRest = 0;
        int mostProcesses = 0;
        for (int n = 1; n <= searches; ++n) {
            const int mode = (n - 1) % 3;
            const QByteArray marker = "soak" + QByteArray::number(n) + "z";
            window.CmbBoxType->setCurrentIndex(mode);
            window.CmbBoxTypeChange(window.CmbBoxType);
            window.CmbBook->setEditText(QString::fromLatin1(marker) + QStringLiteral(" 词"));
            fixture.server.clearRequests();
            // The result pages' renderers, and all they grew, go with them.
            QSet<qint64> previousRenderers;
            for (TWebBrowser* browser : fixture.resultBrowsers())
                previousRenderers.insert(enginePage(browser)->renderProcessPid());
            window.BtnBookOK->click();

            const int tabs = mode == 0 ? 5 : 1;
            QCOMPARE(window.PageControl1->count(), tabs);
            // Closed tabs took their views with them.
            const QList<TWebBrowser*> browsers = fixture.resultBrowsers();
            QCOMPARE(browsers.size(), tabs);
            // The banner's view rests behind them.
            QCOMPARE(fixture.resultViewCount(), tabs);

            fixture.countLoads();
            QVERIFY(fixture.waitForLoads(1));
            int requested = 0;
            for (const LoopbackServer::Request& request : fixture.server.pageRequests())
                requested += request.target.contains(marker) ? 1 : 0;
            QCOMPARE(requested, tabs);
            auto renderersLeft = [&previousRenderers] {
                const QList<qint64> tree = processTree();
                return QSet<qint64>(tree.cbegin(), tree.cend()).intersects(previousRenderers);
            };
            QTRY_VERIFY_WITH_TIMEOUT(!renderersLeft(), 30000);

            // A few engine processes may linger or be kept spare; one per closed tab may not.
            const int processes = int(processTree().size());
            mostProcesses = qMax(mostProcesses, processes);
            QVERIFY2(processes <= processesAtRest + 10,
                     qPrintable(QStringLiteral("%1 processes after search %2").arg(processes).arg(n)));
            if (n == early || n == searches || n % 50 == 0) {
                const Memory live = treeMemory(processTree());
                // What stays once the tabs are gone is what a leak would show in; the
                // pages' own memory comes and goes with the engine's collections.
                window.CloseAllResultPages();
                window.RefreshResultArea();
                QTRY_VERIFY_WITH_TIMEOUT(processTree().size() <= processesAtRest, 30000);
                // Every widget the tabs brought, the engine's own included, went with them.
                const int widgets = int(QApplication::allWidgets().size());
                if (n == early)
                    widgetsAtRest = widgets;
                QCOMPARE(widgets, widgetsAtRest);
                if (!measure)
                    continue;
                int atRest = 0;
                const Memory rest = settledMemory(&atRest);
                qInfo("search %d: own memory %.1f MB (%.1f MB of it in this process), Pss "
                      "%.1f MB with the tabs closed (%d processes); %.1f MB, %.1f MB with them "
                      "open (%d processes); %.1f s since the first search",
                      n, rest.own / 1024.0, rest.ownHere / 1024.0, rest.pss / 1024.0, atRest,
                      live.own / 1024.0,
                      live.pss / 1024.0, processes, clock.elapsed() / 1000.0);
            }
        }
        qInfo("at most %d processes; %d with the banner alone", mostProcesses, processesAtRest);

        // The last search's tabs went at its measurement, with their engine processes.
        QCOMPARE(fixture.resultBrowsers().size(), 0);
        QCOMPARE(window.findChildren<QWebEngineView*>().size(), 1);
        window.close();
    }

private:
    WindowFixture fixture;
};

VERITOME_WEB_TEST_MAIN(TestSoak)
#include "tst_soak.moc"
