#include "BusStandIn.h"
#include "LookupPopup.h"
#include "ProcessTree.h"
#include "QueryBox.h"
#include "RequestRunner.h"
#include "SearchRequests.h"
#include "TestTools.h"
#include "UnitMain.h"
#include "WebBrowser.h"
#include "WebTestMain.h"
#include "WindowFixture.h"
#include "platform/GlobalKey.h"

#include <QClipboard>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusArgument>
#include <QDBusMetaType>
#include <QFile>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

namespace {

const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString fakePortal = QStringLiteral("org.example.FakePortal");

Wire ascii(const QString& term) { return {term, term, term, term + QStringLiteral("%2F")}; }

// Renderer processes of this test's engine.
int renderers()
{
    int count = 0;
    for (const qint64 pid : processTree()) {
        QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (commandLine.open(QIODevice::ReadOnly) && commandLine.readAll().contains("--type=renderer"))
            ++count;
    }
    return count;
}

// The views of the tabs, in the tabs' order.
QList<TWebBrowser*> tabBrowsers(const QTabWidget* tabs)
{
    QList<TWebBrowser*> browsers;
    for (int i = 0; i < tabs->count(); ++i)
        browsers.append(tabs->widget(i)->findChild<TWebBrowser*>());
    return browsers;
}

} // namespace

// The look-up popup in a session whose desktop offers global shortcuts through its portal
// (a Wayland session's way), played by a stand-in on the test's own session bus; the
// program's key is pressed there.
class TestPopup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("needs a session bus (run under dbus-run-session)");
        QVERIFY(portal.start(QStringLiteral(VERITOME_FAKE_PORTAL), {QStringLiteral("0"), QStringLiteral("0")},
                             QStringLiteral("org.freedesktop.portal.Desktop")));
        QVERIFY(fixture.startServer());
        fixture.server.setHandler([](const LoopbackServer::Request&) {
            return LoopbackServer::page("<html><body>meaning</body></html>");
        });
    }

    void init()
    {
        QVERIFY(portal.call(portalPath, fakePortal, QStringLiteral("SetBindAnswer"), {0}).type()
                == QDBusMessage::ReplyMessage);
        fixture.server.clearRequests();
    }

    void cleanup() { fixture.reset(); }

    // The key, pressed in another program with a word selected, opens the popup with that
    // word's pages: the addresses of a search in the main window, in its mode, the term
    // remembered by the history's rule, and the window itself left as it was.
    void keyShowsTheSelectedTermsPages_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("tabs");
        QTest::newRow("encyclopaedia: five tabs") << 0 << 5;
        QTest::newRow("dictionary: one page, no tab bar") << 2 << 1;
    }

    void keyShowsTheSelectedTermsPages()
    {
        QFETCH(int, mode);
        QFETCH(int, tabs);
        QVERIFY(fixture.open());
        TfrmMain& window = *fixture.window();
        RequestRunner::followPopupKey(window);
        window.CmbBoxType->setCurrentIndex(mode);
        window.CmbBoxTypeChange(window.CmbBoxType);
        typeText(window.CmbBook, QStringLiteral("typed"));
        QVERIFY(waitUntil([&] { return window.popupKey()->state() == GlobalKey::State::Held; }));
        const QDBusMessage bound = portal.call(portalPath, fakePortal, QStringLiteral("Bound"));
        QCOMPARE(bound.type(), QDBusMessage::ReplyMessage);
        const auto triggers = qdbus_cast<QMap<QString, QString>>(bound.arguments().value(0));
        QCOMPARE(triggers, (QMap<QString, QString>{{QStringLiteral("popup"),
                                                    QStringLiteral("CTRL+ALT+SHIFT+y")}}));
        fixture.server.clearRequests();

        QGuiApplication::clipboard()->setText(QStringLiteral("word"));
        QVERIFY(portal.call(portalPath, fakePortal, QStringLiteral("Activate"),
                            {QStringLiteral("popup")}).type() == QDBusMessage::ReplyMessage);
        QVERIFY(fixture.waitForPopupPages());
        LookupPopup& popup = *window.popup();
        QCOMPARE(popup.pages()->count(), tabs);
        QCOMPARE(popup.pages()->tabBar()->isVisible(), tabs > 1);
        QVERIFY(fixture.waitForLoads());
        QCOMPARE(resultRequests(fixture.server, TfrmMain::bannerHost.toLatin1()),
                 expectedRequests(mode, ascii(QStringLiteral("word"))));
        QCOMPARE(window.CmbBook->currentText(), QStringLiteral("typed"));
        QCOMPARE(window.historyItems(), QList<QByteArray>{"word"});
        QCOMPARE(window.PageControl1->count(), 0);
        QVERIFY(QTest::qWaitForWindowActive(&popup));
    }

    // Esc always closes it; turning to another window (as a click outside it does) closes
    // it unless it is pinned. Its pages, and their renderers, go with it.
    void closesAsTheUserTurnsAway_data()
    {
        QTest::addColumn<bool>("pinned");
        QTest::addColumn<bool>("escape");
        QTest::addColumn<bool>("stays");
        QTest::newRow("Esc") << false << true << false;
        QTest::newRow("another window") << false << false << false;
        QTest::newRow("pinned, another window") << true << false << true;
        QTest::newRow("pinned, Esc") << true << true << false;
    }

    void closesAsTheUserTurnsAway()
    {
        QFETCH(bool, pinned);
        QFETCH(bool, escape);
        QFETCH(bool, stays);
        QVERIFY(fixture.open());
        TfrmMain& window = *fixture.window();
        const int bannersRenderer = renderers();
        window.lookUpInPopup(QStringLiteral("away"));
        LookupPopup& popup = *window.popup();
        if (pinned)
            popup.findChild<QToolButton*>(QStringLiteral("PopupPin"))->click();
        QVERIFY(QTest::qWaitForWindowActive(&popup));
        QVERIFY(fixture.waitForPopupPages());
        QVERIFY(fixture.waitForLoads());
        if (escape) {
            QVERIFY(QApplication::focusWidget());
            QCOMPARE(QApplication::focusWidget()->window(), &popup);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        } else {
            QVERIFY(WindowFixture::activate(&window));
        }
        QVERIFY(WindowFixture::waitForPostedEvents());
        QCOMPARE(popup.isVisible(), stays);
        QCOMPARE(fixture.popupBrowsers().isEmpty(), !stays);
        if (!stays)
            QVERIFY(waitUntil([&] { return renderers() == bannersRenderer; }, 20000));
    }

    // "在主窗口中打开": the term and its pages, as they are, in the window's tabs.
    void openInMainWindowFetchesNothingAgain()
    {
        QVERIFY(fixture.open());
        TfrmMain& window = *fixture.window();
        fixture.search(QStringLiteral("before"));
        QVERIFY(fixture.waitForLoads());
        window.lookUpInPopup(QStringLiteral("moved"));
        QVERIFY(fixture.waitForPopupPages());
        QVERIFY(fixture.waitForLoads());
        const QList<TWebBrowser*> pages = tabBrowsers(window.popup()->pages());
        fixture.server.clearRequests();

        window.popup()->findChild<QToolButton*>(QStringLiteral("PopupToMainWindow"))->click();
        QVERIFY(!window.popup()->isVisible());
        QCOMPARE(tabBrowsers(window.PageControl1), pages);
        QCOMPARE(window.PageControl1->count(), 5);
        QCOMPARE(window.CmbBook->currentText(), QStringLiteral("moved"));
        QCOMPARE(window.historyItems(), (QList<QByteArray>{"before", "moved"}));
        for (TWebBrowser* browser : pages)
            QVERIFY(browser->LocationURL().contains(QStringLiteral("moved")));
        // The tabs are the window's own now: each is found by its number and closes.
        QCOMPARE(window.GetActiveWebBrowser(), pages.first());
        window.ActNextExecute(nullptr);
        QCOMPARE(window.GetActiveWebBrowser(), pages.at(1));
        window.ActCloseExecute(nullptr);
        QCOMPARE(window.PageControl1->count(), 4);
        QVERIFY(!fixture.resultBrowsers().contains(pages.at(1)));
        QTest::qWait(1000);
        QCOMPARE(fixture.server.pageRequests().size(), 0);
    }

    // Pinned, it is moved and sized as the user likes; both are kept for the next run.
    void pinAndSizeKept()
    {
        QVERIFY(fixture.open());
        fixture->lookUpInPopup(QStringLiteral("pinned"));
        LookupPopup* popup = fixture->popup();
        popup->findChild<QToolButton*>(QStringLiteral("PopupPin"))->click();
        QVERIFY(QTest::qWaitForWindowExposed(popup));
        popup->resize(400, 300);
        QVERIFY(WindowFixture::waitForPostedEvents());
        fixture->close();
        QVERIFY(fixture.settings().contains("PopupWidth=400\r\nPopupHeight=300\r\nPopupPinned=1"));
        QVERIFY(fixture.open());
        fixture->lookUpInPopup(QStringLiteral("again"));
        QVERIFY(fixture->popup()->isPinned());
        QCOMPARE(fixture->popup()->size(), QSize(400, 300));
    }

    // Closing the window leaves the program waiting: the files saved, no page and no
    // renderer; the key still opens the popup, whose term is saved as it closes.
    void staysReadyAfterClosing()
    {
        QVERIFY(fixture.newFolder());
        QVERIFY(fixture.write(QStringLiteral("Veritoem.ini"), "[Veritome]\r\nStayReady=1\r\n"));
        QVERIFY(fixture.open());
        TfrmMain& window = *fixture.window();
        RequestRunner::followPopupKey(window);
        QSignalSpy closed(&window, &TfrmMain::closed);
        fixture.search(QStringLiteral("first"));
        QVERIFY(fixture.waitForLoads());
        window.close();
        QVERIFY(!window.isVisible());
        QVERIFY(window.isWaiting());
        QCOMPARE(closed.count(), 0);
        QCOMPARE(fixture.history(), QByteArray("first\r\n"));
        QVERIFY(fixture.resultBrowsers().isEmpty());
        QVERIFY(waitUntil([] { return renderers() == 0; }, 20000));

        QVERIFY(waitUntil([&] { return window.popupKey()->state() == GlobalKey::State::Held; }));
        QGuiApplication::clipboard()->setText(QStringLiteral("second"));
        QVERIFY(portal.call(portalPath, fakePortal, QStringLiteral("Activate"),
                            {QStringLiteral("popup")}).type() == QDBusMessage::ReplyMessage);
        QVERIFY(fixture.waitForPopupPages());
        window.popup()->close();
        QCOMPARE(fixture.history(), QByteArray("first\r\nsecond\r\n"));
        QVERIFY(!window.isVisible());

        // A new start shows the window; the menu's exit ends the program.
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(!window.isWaiting());
        window.mnuExitClick(nullptr);
        QCOMPARE(closed.count(), 1);
    }

    // A key the desktop refuses is said once, in the status bar; the program goes on.
    void refusedKeyIsSaid()
    {
        QVERIFY(portal.call(portalPath, fakePortal, QStringLiteral("SetBindAnswer"), {2}).type()
                == QDBusMessage::ReplyMessage);
        QVERIFY(fixture.open());
        TfrmMain& window = *fixture.window();
        QVERIFY(waitUntil(
            [&] { return window.popupKey()->state() == GlobalKey::State::TakenByAnother; }));
        QCOMPARE(window.StatusBar1->currentMessage(), window.popupKey()->stateText());
        QVERIFY(window.StatusBar1->currentMessage().contains(QStringLiteral("Ctrl+Alt+Shift+Y")));
    }

private:
    WindowFixture fixture;
    BusStandIn portal;
};

VERITOME_WEB_TEST_MAIN(TestPopup)
#include "tst_popup.moc"
