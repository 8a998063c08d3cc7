#include "AnsiCodec.h"
#include "PageTools.h"
#include "SearchRequests.h"
#include "UnitMain.h"
#include "WebBrowser.h"
#include "WebTestMain.h"
#include "WindowFixture.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QEventLoop>
#include <QGuiApplication>

// The search from the query box to the wire: what each mode sends for a term, and the
// advertising filter of the dictionary tabs. Every host name reaches the loopback server.
class TestSearch : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void requestsOnTheWire_data();
    void requestsOnTheWire();
    void advertisingFilter_data();
    void advertisingFilter();
    void enterInTheOpenHistoryList();
    void termTypedWhileTheEngineStarts_data();
    void termTypedWhileTheEngineStarts();
    void newWindowLoadsInTheViewItCameFrom_data();
    void newWindowLoadsInTheViewItCameFrom();
    void silentViewsLeavePagesButCancelConfirms();
    void nextTermReplacesTheLast_data();
    void nextTermReplacesTheLast();
    void keyboardAlone();

private:
    QStringList resultRequests() const;

    WindowFixture fixture;
    QByteArray resultPage; // what the look-up sites answer
    bool redirectResults = false;
    bool bannerFrameLoaded = false;
};

namespace {

const QByteArray adHost = "pagead2.googlesyndication.com";
const QByteArray framesHost = "frames.example";
const QByteArray openerHost = "opener.example";

// A page that, once loaded, asks for a new window at the address: through a link for one,
// or through window.open.
QByteArray openerPage(const QByteArray& how, const QByteArray& address)
{
    const QByteArray open = how == "link"
        ? "document.getElementById('a').click()"
        : "window.open('" + address + "')";
    return "<html><body onload=\"setTimeout(function () { " + open + "; }, 0)\">"
           "<a id=a target=_blank href=\"" + address + "\">new window</a></body></html>";
}

QString repeated(const QString& unit, int times)
{
    QString text;
    for (int i = 0; i < times; ++i)
        text += unit;
    return text;
}

} // namespace

void TestSearch::initTestCase()
{
    QVERIFY(fixture.server.start());
    fixture.server.setHandler([this](const LoopbackServer::Request& request) {
        if (request.host == openerHost)
            return LoopbackServer::page(openerPage(
                request.target.mid(1), "http://" + framesHost + "/landed?marker=opened"));
        if (request.host == adHost || request.host == framesHost)
            return LoopbackServer::page("<html><body>frame</body></html>");
        if (request.host == TfrmMain::bannerHost.toLatin1())
            return LoopbackServer::page("<html><body>banner<iframe src=\"http://" + adHost
                                        + "/pagead/show_ads?marker=banner\"></iframe></body></html>");
        if (redirectResults) {
            LoopbackServer::Response response;
            response.status = 302;
            response.headers.append({"Location", "http://" + adHost + "/pagead/ads?marker=redirect"});
            return response;
        }
        return LoopbackServer::page(resultPage);
    });
}

void TestSearch::init()
{
    resultPage = "<html><body>result</body></html>";
    redirectResults = false;
    QVERIFY(fixture.newFolder());
    // This one makes and shows its window itself.
    if (QByteArray(QTest::currentTestFunction()) == "termTypedWhileTheEngineStarts")
        return;
    // The banner and its frame are in before the search, so that they stay out of its count.
    QVERIFY(fixture.open());
    bannerFrameLoaded = fixture.server.received("marker=banner");
    fixture.server.clearRequests();
}

void TestSearch::cleanup() { fixture.reset(); }

QStringList TestSearch::resultRequests() const
{
    return ::resultRequests(fixture.server, TfrmMain::bannerHost.toLatin1());
}

void TestSearch::requestsOnTheWire_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("term");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("stored");

    // The encyclopaedia addresses carry the term as typed but for "#", "%", "&", "+" and
    // "?", which the program escapes; the engine sends the rest as UTF-8 with percent
    // escapes and a blank as %20. The dictionaries get the program's own
    // escapes: GBK bytes for the idiom site, UTF-8 and a trailing slash for the other.
    const QString baike = QStringLiteral("百科");
    const QString unit = QStringLiteral("百科 x+"); // five characters
    const struct {
        const char* name;
        QString term;
        Wire wire;
        QString stored; // where it is not the term itself
    } terms[] = {
        {"百科", baike,
         {"%E7%99%BE%E7%A7%91", "%E7%99%BE%E7%A7%91", "%B0%D9%BF%C6", "%E7%99%BE%E7%A7%91%2F"}},
        {"a b", QStringLiteral("a b"), {"a%20b", "a%20b", "a+b", "a+b%2F"}},
        {"1+1", QStringLiteral("1+1"), {"1%2B1", "1%2B1", "1%2B1", "1%2B1%2F"}},
        {"C#", QStringLiteral("C#"), {"C%23", "C%23", "C%23", "C%23%2F"}},
        {"AT&T", QStringLiteral("AT&T"), {"AT%26T", "AT%26T", "AT%26T", "AT%26T%2F"}},
        {"C++", QStringLiteral("C++"), {"C%2B%2B", "C%2B%2B", "C%2B%2B", "C%2B%2B%2F"}},
        {"a?b", QStringLiteral("a?b"), {"a%3Fb", "a%3Fb", "a%3Fb", "a%3Fb%2F"}},
        {"100%", QStringLiteral("100%"), {"100%25", "100%25", "100%25", "100%25%2F"}},
        {"%41", QStringLiteral("%41"), {"%2541", "%2541", "%2541", "%2541%2F"}},
        {"trailing blank", QStringLiteral("a "), {"a%20", "a%20", "a+", "a+%2F"}},
        // One line of text: a break or a tab is a blank, other controls go.
        {"line break, tab, controls", QStringLiteral("a\r\nb\tc\x01\x7f"),
         {"a%20b%20c", "a%20b%20c", "a+b+c", "a+b+c%2F"}, QStringLiteral("a b c")},
        {"2000 characters", repeated(unit, 400),
         {repeated(QStringLiteral("%E7%99%BE%E7%A7%91%20x%2B"), 400),
          repeated(QStringLiteral("%E7%99%BE%E7%A7%91%20x%2B"), 400),
          repeated(QStringLiteral("%B0%D9%BF%C6+x%2B"), 400),
          repeated(QStringLiteral("%E7%99%BE%E7%A7%91+x%2B"), 400) + QStringLiteral("%2F")}},
    };
    const char* modes[] = {"encyclopaedia", "idiom", "English-Chinese"};
    for (const auto& term : terms) {
        QCOMPARE(term.term.size() == 2000, QByteArray(term.name) == "2000 characters");
        for (int mode = 0; mode < 3; ++mode) {
            QTest::addRow("%s, %s", modes[mode], term.name)
                << mode << term.term << expectedRequests(mode, term.wire)
                << (term.stored.isNull() ? term.term : term.stored);
        }
    }
}

void TestSearch::requestsOnTheWire()
{
    QFETCH(int, mode);
    QFETCH(QString, term);
    QFETCH(QStringList, expected);
    QFETCH(QString, stored);

    fixture->CmbBoxType->setCurrentIndex(mode);
    fixture.search(term);
    QCOMPARE(fixture->CmbBook->currentText(), stored);
    QCOMPARE(fixture.resultBrowsers().size(), expected.size());
    QVERIFY(fixture.waitForLoads(1));
    QCOMPARE(resultRequests(), expected);
    // The history keeps the term as typed, blanks included.
    QCOMPARE(fixture->historyItems().size(), 1);
    QCOMPARE(fixture->CmbBook->itemText(0), stored);
}

void TestSearch::advertisingFilter_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<bool>("redirect");
    QTest::addColumn<int>("loadsPerView");
    QTest::addColumn<QByteArray>("marker");
    QTest::addColumn<bool>("blockedInDictionaries");

    const QByteArray control =
        "<iframe src=\"http://frames.example/control?marker=control\"></iframe>";
    auto framePage = [&](const QByteArray& address) {
        return "<html><body><iframe src=\"" + address + "\"></iframe>" + control + "</body></html>";
    };
    const struct {
        const char* name;
        QByteArray page;
        bool redirect;
        int loadsPerView;
        QByteArray marker;
        bool blocked;
    } cases[] = {
        {"frame at the prefix",
         framePage("http://pagead2.googlesyndication.com/pagead/show_ads?marker=start"), false, 1,
         "marker=start", true},
        {"prefix inside a frame's query",
         framePage("http://frames.example/show?from=http://pagead2.googlesyndication.com/x"
                   "&marker=inquery"),
         false, 1, "marker=inquery", true},
        {"prefix in other case inside a query",
         framePage("http://frames.example/show?from=http://PageAd2.GoogleSyndication.com/x"
                   "&marker=othercase"),
         false, 1, "marker=othercase", false},
        // The engine lower-cases scheme and host before the filter sees the address.
        {"host in other case",
         framePage("HTTP://PAGEAD2.GoogleSyndication.COM/pagead/show_ads?marker=upperhost"), false,
         1, "marker=upperhost", true},
        // A load of its own: started once the page's own load has finished.
        {"page moved there by script",
         "<html><body onload=\"setTimeout(function () { location.href = "
         "'http://pagead2.googlesyndication.com/pagead/ads?marker=script'; }, 0)\">result"
         "</body></html>",
         false, 2, "marker=script", true},
        {"redirect of the page itself", "", true, 1, "marker=redirect", true},
        {"link for a new window",
         openerPage("link", "http://pagead2.googlesyndication.com/pagead/ads?marker=newlink"),
         false, 2, "marker=newlink", true},
        {"page's window.open",
         openerPage("open", "http://pagead2.googlesyndication.com/pagead/ads?marker=newopen"),
         false, 2, "marker=newopen", true},
    };
    const char* modes[] = {"encyclopaedia", "idiom", "English-Chinese"};
    for (const auto& c : cases)
        for (int mode = 0; mode < 3; ++mode)
            QTest::addRow("%s, %s", modes[mode], c.name)
                << mode << c.page << c.redirect << c.loadsPerView << c.marker << c.blocked;
}

void TestSearch::advertisingFilter()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, page);
    QFETCH(bool, redirect);
    QFETCH(int, loadsPerView);
    QFETCH(QByteArray, marker);
    QFETCH(bool, blockedInDictionaries);

    // The banner carries no filter: its frame from the advertising host came in with it.
    QVERIFY(bannerFrameLoaded);
    resultPage = page;
    redirectResults = redirect;
    fixture->CmbBoxType->setCurrentIndex(mode);
    fixture.search(QStringLiteral("ad"));
    QVERIFY(fixture.waitForLoads(loadsPerView));
    if (page.contains("marker=control"))
        QVERIFY(fixture.server.received("marker=control"));
    const bool blocked = mode != 0 && blockedInDictionaries;
    QCOMPARE(fixture.server.received(marker), !blocked);
}

// A past term picked in the open list with the arrow keys: one Enter searches it, just as
// if it had been typed. The keys go where the window system sends them: to the open list.
void TestSearch::enterInTheOpenHistoryList()
{
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        QSKIP("without a window system the open list does not take the keys; see tst_search_x11");
    fixture.search(QStringLiteral("older"));
    QVERIFY(fixture.waitForLoads(1));
    fixture.search(QStringLiteral("newer"));
    QVERIFY(fixture.waitForLoads(1));
    fixture.server.clearRequests();

    fixture->CmbBook->showPopup();
    QVERIFY(QTest::qWaitForWindowExposed(fixture->CmbBook->view()->window()));
    QTest::keyClick(fixture->windowHandle(), Qt::Key_Down);
    QTest::keyClick(fixture->windowHandle(), Qt::Key_Up);
    QTest::keyClick(fixture->windowHandle(), Qt::Key_Up);
    QCOMPARE(fixture->CmbBook->view()->currentIndex().row(), 0);
    QTest::keyClick(fixture->windowHandle(), Qt::Key_Return);

    QVERIFY(!fixture->CmbBook->view()->isVisible());
    QCOMPARE(fixture->CmbBook->currentText(), QStringLiteral("older"));
    QCOMPARE(fixture->pageSerial(), 15);
    QCOMPARE(fixture->PageControl1->count(), 5);
    QCOMPARE(fixture->historyItems(), QList<QByteArray>({"older", "newer"}));
    fixture.countLoads();
    QVERIFY(fixture.waitForLoads(1));
    QCOMPARE(resultRequests(), expectedRequests(0, {"older", "older", "older", "older%2F"}));
}

namespace {

// Runs once, at the window's first paint, before the window handles it.
class FirstPaint : public QObject {
public:
    FirstPaint(QWidget* window, std::function<void()> action)
        : QObject(window), m_action(std::move(action))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_action) {
            watched->removeEventFilter(this);
            std::exchange(m_action, nullptr)();
        }
        return false;
    }

private:
    std::function<void()> m_action;
};

void postKeys(QWidget* target, const QString& term)
{
    for (const QChar ch : term) {
        QCoreApplication::postEvent(
            target, new QKeyEvent(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch)));
        QCoreApplication::postEvent(
            target, new QKeyEvent(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch)));
    }
    QCoreApplication::postEvent(
        target, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r")));
    QCoreApplication::postEvent(
        target, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r")));
}

} // namespace

void TestSearch::termTypedWhileTheEngineStarts_data()
{
    QTest::addColumn<bool>("behindTheEngineStart");
    // The keys wait in the queue while the engine starts, as a user's keys do. The engine
    // starts once per process: the tst_search_cold run has this function alone, so that
    // this row meets it cold.
    QTest::newRow("keys queued behind the engine's start") << true;
    // The search itself is the first to need the engine.
    QTest::newRow("keys ahead of the engine's start") << false;
}

void TestSearch::termTypedWhileTheEngineStarts()
{
    QFETCH(bool, behindTheEngineStart);
    const QString term = QStringLiteral("百科");

    fixture.server.clearRequests();
    fixture.make();
    int viewsAtFirstPaint = -1;
    new FirstPaint(fixture.window(), [&] {
        viewsAtFirstPaint = int(fixture->findChildren<QWebEngineView*>().size());
        auto type = [this, term] { postKeys(fixture->CmbBook, term); };
        if (behindTheEngineStart)
            QMetaObject::invokeMethod(this, type, Qt::QueuedConnection);
        else
            type();
    });
    fixture->show();
    QVERIFY(waitUntil([&] { return fixture.resultBrowsers().size() == 5; }));
    // The window was painted before any web view, and so the engine, was made.
    QCOMPARE(viewsAtFirstPaint, 0);
    fixture.countLoads();
    QVERIFY(fixture.waitForLoads(1));
    // The banner's own frame may come in at any time here.
    QStringList requests = resultRequests();
    requests.removeIf([](const QString& line) { return line.contains("marker=banner"); });
    QCOMPARE(requests, expectedRequests(0, {"%E7%99%BE%E7%A7%91", "%E7%99%BE%E7%A7%91", {}, {}}));
    QCOMPARE(fixture->CmbBook->itemText(0), term);
}

void TestSearch::newWindowLoadsInTheViewItCameFrom_data()
{
    QTest::addColumn<bool>("banner");
    QTest::addColumn<QByteArray>("how");
    for (const bool banner : {false, true})
        for (const char* how : {"link", "open"})
            QTest::addRow("%s, %s", banner ? "banner" : "result", how) << banner << QByteArray(how);
}

void TestSearch::newWindowLoadsInTheViewItCameFrom()
{
    QFETCH(bool, banner);
    QFETCH(QByteArray, how);
    const QList<QWidget*> windowsBefore = QApplication::topLevelWidgets();
    TWebBrowser* view = fixture->WbAd;
    if (banner) {
        view->Navigate(QString::fromLatin1("http://" + openerHost + "/" + how));
    } else {
        resultPage = openerPage(how, "http://" + framesHost + "/landed?marker=opened");
        fixture->CmbBoxType->setCurrentIndex(1);
        fixture.search(QStringLiteral("new"));
        QCOMPARE(fixture.resultBrowsers().size(), 1);
        view = fixture.resultBrowsers().constFirst();
    }
    QVERIFY2(waitUntil([&] { return view->LocationURL().contains(QLatin1String("/landed")); }),
             qPrintable(view->LocationURL()));
    QVERIFY(fixture.server.received("marker=opened"));
    QCOMPARE(QApplication::topLevelWidgets(), windowsBefore);
}

// The engine asks its leave-page question the way a page's confirm() asks; only the page's
// own question gets "cancel".
void TestSearch::silentViewsLeavePagesButCancelConfirms()
{
    resultPage = "<html><head><title>page</title><script>"
                 "window.addEventListener('beforeunload', function (e) {"
                 " e.preventDefault(); e.returnValue = 'stay'; return 'stay'; });"
                 "</script></head><body style='margin:0'>"
                 "<button id=b style='width:300px;height:200px' onclick=\"document.title = "
                 "'confirm ' + confirm('sure?')\">ask</button></body></html>";
    fixture->CmbBoxType->setCurrentIndex(1);
    fixture.search(QStringLiteral("leave"));
    QVERIFY(fixture.waitForLoads(1));
    TWebBrowser* view = fixture.resultBrowsers().constFirst();
    QWebEnginePage* page = enginePage(view);

    // A real click: the engine asks before leaving only a page the user has touched.
    QWidget* target = pageInput(view);
    QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(100, 100));
    QVERIFY(waitUntil([&] { return page->title() == QLatin1String("confirm false"); }));

    view->Navigate(QStringLiteral("http://frames.example/away?marker=away"));
    QVERIFY2(waitUntil([&] { return view->LocationURL().contains(QLatin1String("/away")); }),
             qPrintable(view->LocationURL()));
    QVERIFY(fixture.server.received("marker=away"));
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

namespace {

// Keys as the window system delivers them: to whatever has the keyboard focus.
void press(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(window->windowHandle(), key, modifiers);
}

void typeInto(QWidget* window, const QString& text)
{
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, window->windowHandle(), Qt::Key_unknown, QString(ch), {});
}

bool hasFocus(const QWidget* widget)
{
    QWidget* focus = QApplication::focusWidget();
    return focus && (focus == widget || widget->isAncestorOf(focus));
}

} // namespace

void TestSearch::nextTermReplacesTheLast_data()
{
    QTest::addColumn<QByteArray>("how");
    QTest::addColumn<QByteArray>("page");
    const QByteArray field = "<input id=f><script>function f() { document.getElementById('f')"
                             ".focus(); }</script>";
    const QList<QPair<const char*, QByteArray>> pages = {
        {"plain page", "result"},
        {"page focusing a field on load", field + "<body onload=f()>"},
        {"page focusing its window late",
         field + "<body onload=\"setTimeout(function () { window.focus(); f(); }, 300)\">"},
        {"page opening a window", openerPage("open", "http://" + framesHost + "/landed")},
    };
    for (const char* how : {"Enter", "search button", "history list"})
        for (const auto& [name, page] : pages)
            QTest::addRow("%s, %s", how, name) << QByteArray(how) << page;
}

// Term after term: after a search the keyboard stays in the query box with the term
// selected, whatever the pages do as they load, and the next term typed replaces it.
void TestSearch::nextTermReplacesTheLast()
{
    QFETCH(QByteArray, how);
    QFETCH(QByteArray, page);
    if (how == "history list" && QGuiApplication::platformName() == QLatin1String("offscreen"))
        QSKIP("without a window system the open list does not take the keys; see tst_search_x11");
    resultPage = page;
    QWidget* window = fixture.window();
    QVERIFY(WindowFixture::activate(window));
    fixture->CmbBoxType->setCurrentIndex(1);
    fixture->CmbBook->setFocus();
    typeInto(window, QStringLiteral("地球"));
    if (how == "search button") {
        QTest::mouseClick(fixture->BtnBookOK, Qt::LeftButton);
    } else if (how == "history list") {
        press(window, Qt::Key_Return);
        fixture->CmbBook->showPopup();
        QVERIFY(QTest::qWaitForWindowExposed(fixture->CmbBook->view()->window()));
        press(window, Qt::Key_Return);
    } else {
        press(window, Qt::Key_Return);
    }
    fixture.countLoads();
    QVERIFY(fixture.waitForLoads(1));
    QTest::qWait(600); // what the page does a moment after its load
    QVERIFY(hasFocus(fixture->CmbBook));
    QCOMPARE(fixture->CmbBook->lineEdit()->selectedText(), QStringLiteral("地球"));
    typeInto(window, QStringLiteral("火星"));
    press(window, Qt::Key_Return);
    QCOMPARE(fixture->historyItems().constLast(), AnsiCodec::encode(QStringLiteral("火星")));
}

// From the first start to the third result page and back with the keys alone: each
// control on the way takes the focus in turn, in sight.
void TestSearch::keyboardAlone()
{
    resultPage = "<title>result</title><a href=/one>one</a>";
    QWidget* window = fixture.window();
    QVERIFY(WindowFixture::activate(window));
    // A failed check inside returns from the walk alone; the caller stops on it.
    const auto walk = [&](const QList<QPair<Qt::KeyboardModifiers, QWidget*>>& steps) {
        for (const auto& [modifiers, expected] : steps) {
            press(window, Qt::Key_Tab, modifiers);
            QVERIFY2(waitUntil([&] { return hasFocus(expected); }, 5000),
                     qPrintable(expected->objectName()));
            QWidget* focus = QApplication::focusWidget();
            QVERIFY(window->rect().contains(QRect(focus->mapTo(window, QPoint()), focus->size())));
        }
    };
    const Qt::KeyboardModifiers back = Qt::ShiftModifier;
    QVERIFY(hasFocus(fixture->CmbBook));
    walk({{{}, fixture->CmbBoxType}, {{}, fixture->BtnBookOK}, {{}, fixture->CkLstBookshop}});
    if (QTest::currentTestFailed())
        return;
    press(window, Qt::Key_Right);
    press(window, Qt::Key_Space);
    QCOMPARE(fixture->CkLstBookshop->item(1)->checkState(), Qt::Unchecked);
    walk({{back, fixture->BtnBookOK}, {back, fixture->CmbBoxType}, {back, fixture->CmbBook}});
    if (QTest::currentTestFailed())
        return;
    typeInto(window, QStringLiteral("keys"));
    press(window, Qt::Key_Return);
    QCOMPARE(fixture->PageControl1->count(), 4);
    fixture.countLoads();
    QVERIFY(fixture.waitForLoads(1));
    walk({{{}, fixture->CmbBoxType}, {{}, fixture->BtnBookOK}, {{}, fixture->CkLstBookshop},
          {{}, fixture->PageControl1->tabBar()}});
    if (QTest::currentTestFailed())
        return;
    press(window, Qt::Key_Right);
    press(window, Qt::Key_Right);
    TWebBrowser* third = fixture->GetActiveWebBrowser();
    QCOMPARE(third->Tag(), 3);
    walk({{{}, third}});
    if (QTest::currentTestFailed())
        return;
    QVERIFY(waitUntil([&] { return runScript(third, "document.hasFocus()").toBool(); }));
    // Through the page's link and out, past the tool buttons, round to the query box.
    for (int i = 0; i < 12 && !hasFocus(fixture->CmbBook); ++i) {
        press(window, Qt::Key_Tab);
        waitUntil([&] { return !hasFocus(third); }, 500);
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(hasFocus(third) || hasFocus(fixture->CmbBook)
                || (focus && focus->parentWidget() == static_cast<QWidget*>(fixture->ToolBar2)));
    }
    QVERIFY(hasFocus(fixture->CmbBook));
}

VERITOME_WEB_TEST_MAIN(TestSearch)
#include "tst_search.moc"
