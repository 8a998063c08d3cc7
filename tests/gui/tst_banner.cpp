#include "LoopbackServer.h"
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

private:
    WindowFixture fixture;
};

VERITOME_WEB_TEST_MAIN(TestBanner)
#include "tst_banner.moc"
