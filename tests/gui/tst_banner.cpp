#include "LoopbackServer.h"
#include "PageTools.h"
#include "ProcessTree.h"
#include "UnitMain.h"
#include "WebBrowser.h"
#include "WebTestMain.h"
#include "WindowFixture.h"

#include <QComboBox>
#include <QSignalSpy>
#include <QTabWidget>
#include <QToolButton>
#include <QWebEngineView>

// The banner page in the result area, and the start page that stands in for it.
class TestBanner : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(fixture.startServer()); }
    void cleanup() { fixture.reset(); }

    void bannerIsRequestedFromTheMakersSite()
    {
        fixture.server.clearRequests();
        fixture.server.setHandler([](const LoopbackServer::Request&) {
            return LoopbackServer::page("<html><body>banner</body></html>");
        });
        TfrmMain& window = fixture.make();
        QSignalSpy loaded(window.WbAd, &TWebBrowser::DocumentComplete);
        QVERIFY(loaded.wait(15000));
        QCOMPARE(loaded.first().first().toBool(), true);
        const QList<LoopbackServer::Request> pages = fixture.server.pageRequests();
        QCOMPARE(pages.size(), 1);
        QCOMPARE(pages[0].requestLine, QByteArray("GET /soft/Veritome.aspx?ver=1.8 HTTP/1.1"));
        QCOMPARE(pages[0].host, QByteArray("www.veritome.example"));
        QCOMPARE(window.WbAd->LocationURL(), TfrmMain::bannerAddress());
    }

    void unreachableBannerGivesWayToTheStartPage()
    {
        fixture.server.clearRequests();
        fixture.server.setHandler([](const LoopbackServer::Request&) { return LoopbackServer::dropped(); });
        TfrmMain& window = fixture.make();
        QSignalSpy loaded(window.WbAd, &TWebBrowser::DocumentComplete);
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 2, 20000);
        QCOMPARE(loaded[0][0].toBool(), false);
        QCOMPARE(loaded[1][0].toBool(), true);
        QCOMPARE(window.WbAd->LocationURL(), TfrmMain::startPageAddress);
        QVERIFY(fixture.server.received("/soft/Veritome.aspx?ver=1.8"));
    }

    // The tab strip reaches further than its tabs; the banner behind it must not show there,
    // nor anywhere else in the tab container.
    void resultTabsCoverTheBanner()
    {
        fixture.server.setHandler([](const LoopbackServer::Request& request) {
            const QByteArray colour =
                request.host == TfrmMain::bannerHost.toLatin1() ? "#ff0000" : "#0000ff";
            return LoopbackServer::page("<html><body style=\"margin:0;background:" + colour
                                        + ";height:3000px\"></body></html>");
        });
        QVERIFY(fixture.open(false));
        TfrmMain& window = *fixture.window();
        const auto seen = [&](QWidget* area, QRgb colour) {
            const QImage shot = window.grab(QRect(area->mapTo(&window, QPoint()), area->size()))
                                    .toImage();
            for (int y = 0; y < shot.height(); ++y)
                for (int x = 0; x < shot.width(); ++x)
                    if (shot.pixel(x, y) == colour)
                        return true;
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(seen(window.PnlWbAD, qRgb(255, 0, 0)), 20000);

        window.CmbBoxType->setCurrentIndex(1);
        window.CmbBook->setEditText(QStringLiteral("term"));
        window.BtnBookOK->click();
        QCOMPARE(window.PageControl1->count(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(seen(window.PageControl1, qRgb(0, 0, 255)), 20000);
        QVERIFY(!seen(window.PageControl1, qRgb(255, 0, 0)));
    }

    // Behind the tabs the banner gives its renderer back, but only once its page is in: a
    // load cut short would count as a banner that cannot be reached. It is not fetched
    // again while it rests; when the last tab closes, it loads once and is there again.
    void bannerRestsBehindTheTabs_data()
    {
        QTest::addColumn<int>("bannerDelayMs");
        QTest::newRow("banner in before the search") << 0;
        QTest::newRow("banner still loading at the search") << 3000;
    }
    void bannerRestsBehindTheTabs()
    {
        QFETCH(int, bannerDelayMs);
        fixture.server.clearRequests();
        fixture.server.setHandler([bannerDelayMs](const LoopbackServer::Request& request) {
            if (request.target == "/slow.png") {
                LoopbackServer::Response picture{200, "image/png", "", {}};
                picture.delayMs = bannerDelayMs;
                return picture;
            }
            if (request.host == TfrmMain::bannerHost.toLatin1())
                return LoopbackServer::page("<html><body style=\"margin:0;background:#ff0000\">"
                                            "<img src=\"/slow.png\"></body></html>");
            return LoopbackServer::page("<html><body>result</body></html>");
        });
        QVERIFY(fixture.open(false));
        TfrmMain& window = *fixture.window();
        QSignalSpy bannerLoads(window.WbAd, &TWebBrowser::DocumentComplete);
        QTRY_VERIFY_WITH_TIMEOUT(fixture.server.received("/slow.png"), 20000);
        if (bannerDelayMs == 0)
            QTRY_COMPARE_WITH_TIMEOUT(bannerLoads.size(), 1, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(enginePage(window.WbAd)->renderProcessPid() != 0, 20000);
        const qint64 bannerRenderer = enginePage(window.WbAd)->renderProcessPid();

        window.CmbBoxType->setCurrentIndex(1);
        fixture.search(QStringLiteral("term"));
        QCOMPARE(window.PageControl1->count(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!processTree().contains(bannerRenderer), 20000);
        QCOMPARE(bannerLoads.size(), 1);
        QCOMPARE(bannerLoads[0][0].toBool(), true);
        const auto bannerFetches = [&] {
            int fetches = 0;
            for (const LoopbackServer::Request& request : fixture.server.pageRequests())
                fetches += request.host == TfrmMain::bannerHost.toLatin1()
                    && request.target.startsWith("/soft/");
            return fetches;
        };
        QVERIFY(!waitUntil([&] { return bannerFetches() > 1; }, 4000));

        window.ActClose->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(bannerLoads.size(), 2, 20000);
        QCOMPARE(bannerFetches(), 2);
        QCOMPARE(bannerLoads[1][0].toBool(), true);
        QCOMPARE(window.WbAd->LocationURL(), TfrmMain::bannerAddress());
        QVERIFY(window.PnlWbAD->isVisible());
        QVERIFY(enginePage(window.WbAd)->renderProcessPid() != 0);
    }

private:
    WindowFixture fixture;
};

VERITOME_WEB_TEST_MAIN(TestBanner)
#include "tst_banner.moc"
