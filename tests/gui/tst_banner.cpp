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
        // Watched from the start: the start page may finish before the address is seen.
        QSignalSpy loaded(window.WbAd, &TWebBrowser::DocumentComplete);
        QTRY_COMPARE_WITH_TIMEOUT(window.WbAd->LocationURL(), TfrmMain::startPageAddress, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty() && loaded.last().first().toBool(), 15000);
    }

private:
    LoopbackServer server;
};

VERITOME_WEB_TEST_MAIN(TestBanner)
#include "tst_banner.moc"
