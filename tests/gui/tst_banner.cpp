#include "LoopbackServer.h"
#include "UnitMain.h"
#include "WebBrowser.h"
#include "WebTestMain.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEngineView>

// The banner page in the result area, and the start page that stands in for it.
class TestBanner : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(server.start()); }

    void bannerIsRequestedFromTheMakersSite()
    {
        server.clearRequests();
        server.setHandler([](const LoopbackServer::Request&) {
            return LoopbackServer::page("<html><body>banner</body></html>");
        });
        QTemporaryDir folder;
        TfrmMain window(folder.path());
        QSignalSpy loaded(window.WbAd, &TWebBrowser::DocumentComplete);
        QVERIFY(loaded.wait(15000));
        QCOMPARE(loaded.first().first().toBool(), true);
        const QList<LoopbackServer::Request> pages = server.pageRequests();
        QCOMPARE(pages.size(), 1);
        QCOMPARE(pages[0].requestLine, QByteArray("GET /soft/Veritome.aspx?ver=1.8 HTTP/1.1"));
        QCOMPARE(pages[0].host, QByteArray("www.veritome.example"));
        QCOMPARE(window.WbAd->LocationURL(), TfrmMain::bannerAddress());
    }

    void unreachableBannerGivesWayToTheStartPage()
    {
        server.clearRequests();
        server.setHandler([](const LoopbackServer::Request&) { return LoopbackServer::dropped(); });
        QTemporaryDir folder;
        TfrmMain window(folder.path());
        QSignalSpy loaded(window.WbAd, &TWebBrowser::DocumentComplete);
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 2, 20000);
        QCOMPARE(loaded[0][0].toBool(), false);
        QCOMPARE(loaded[1][0].toBool(), true);
        QCOMPARE(window.WbAd->LocationURL(), TfrmMain::startPageAddress);
        QVERIFY(server.received("/soft/Veritome.aspx?ver=1.8"));
    }

private:
    LoopbackServer server;
};

VERITOME_WEB_TEST_MAIN(TestBanner)
#include "tst_banner.moc"
