#include "CoolBar.h"
#include "DockDrag.h"
#include "ModalAnswerer.h"
#include "Unit2.h"
#include "UnitMain.h"
#include "WebTestMain.h"
#include "WindowFixture.h"
#include "X11Tools.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPointer>
#include <QProcess>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// Drags leave the window they start in, and Qt Test warns of every such event.
QtMessageHandler qtTestHandler = nullptr;
void dropOutsideWindowWarnings(QtMsgType type, const QMessageLogContext& context,
                               const QString& text)
{
    if (type == QtWarningMsg && text.startsWith(QLatin1String("Mouse event at"))
        && text.contains(QLatin1String("occurs outside target window")))
        return;
    qtTestHandler(type, context, text);
}

// The window system as a test wants it, while the window manager "moves" a window.
struct FakeProbe : Docking::SystemProbe {
    std::shared_ptr<Docking::PointerState> state = std::make_shared<Docking::PointerState>();
    std::optional<Docking::PointerState> pointer() const override { return *state; }
};

QRect onScreen(const QWidget* widget)
{
    return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
}

// Mouse events go through the window, as the window system's would: the press goes to the
// widget under the pointer, and the rest to the widget that took the press.
QPoint local(QWidget* window, QPoint global)
{
    return window->windowHandle()->mapFromGlobal(global);
}
void press(QWidget* window, QPoint global)
{
    QTest::mousePress(window->windowHandle(), Qt::LeftButton, {}, local(window, global));
}
void moveTo(QWidget* window, QPoint global)
{
    QTest::mouseMove(window->windowHandle(), local(window, global));
}
void release(QWidget* window, QPoint global)
{
    QTest::mouseRelease(window->windowHandle(), Qt::LeftButton, {}, local(window, global));
}

// A press on the widget's window at global point from, moved in two steps to the point to,
// released there.
void drag(QWidget* window, QPoint from, QPoint to)
{
    press(window, from);
    moveTo(window, from + (to - from) / 2);
    moveTo(window, to);
    release(window, to);
}

// The windows a property of type WINDOW names; of the root window when window is 0.
QList<xcb_window_t> windowList(xcb_window_t window, xcb_atom_t property)
{
    xcb_connection_t* c = x11Connection();
    if (!window)
        window = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, property, XCB_ATOM_WINDOW, 0, 1024), nullptr);
    QList<xcb_window_t> windows;
    if (reply && reply->format == 32) {
        const auto* values = static_cast<const xcb_window_t*>(xcb_get_property_value(reply));
        const int count = xcb_get_property_value_length(reply) / int(sizeof(xcb_window_t));
        windows = QList<xcb_window_t>(values, values + count);
    }
    std::free(reply);
    return windows;
}

// Runs xdotool with the pointer commands given, while the event loop goes on: the program
// must see the window manager's work as it happens.
bool xdotool(const QStringList& commands)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), commands);
    if (!tool.waitForStarted())
        return false;
    return QTest::qWaitFor([&] { return tool.state() == QProcess::NotRunning; }, 20000)
        && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

QStringList at(QPoint point)
{
    return {QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y()),
            QStringLiteral("sleep"), QStringLiteral("0.2")};
}

bool underWindowManager()
{
    return !qEnvironmentVariableIsEmpty("VERITOME_TEST_WINDOW_MANAGER");
}

class CloseCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::Close;
        return false;
    }
};

} // namespace

// The button tool bar dragged off the cool bar into a floating window and back, with real
// mouse events on a real X server.
class TestFloating : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qtTestHandler = qInstallMessageHandler(dropOutsideWindowWarnings);
        QVERIFY(fixture.startServer());
        fixture.server.setHandler([](const LoopbackServer::Request&) {
            return LoopbackServer::page("<html><body>page</body></html>");
        });
    }

    void init()
    {
        QVERIFY(fixture.open(false));
        docking = fixture->findChild<DockDrag*>();
        QVERIFY(docking);
    }

    void cleanup() { fixture.reset(); }

    void droppedAwayFromTheCoolBarTheBarFloatsThere()
    {
        // The window that the program makes at start is never a host.
        TfrmFloating startWindow;
        const QRect bar = onScreen(fixture->ToolBar2);
        const int coolBarHeight = fixture->CoolBar1->height();
        const QPoint grab = surfaceOfDockedBar();

        press(fixture.window(), grab);
        QVERIFY(docking->outline().isVisible());
        QCOMPARE(docking->outline().geometry(), bar);
        const QPoint drop = grab + QPoint(40 - bar.left(), 800 - bar.top());
        moveTo(fixture.window(), drop);
        QCOMPARE(docking->outline().geometry(), QRect(QPoint(40, 800), bar.size()));
        release(fixture.window(), drop);

        QVERIFY(!docking->outline().isVisible());
        TfrmFloating* host = fixture->floatingHost();
        QVERIFY(host);
        QVERIFY(host != &startWindow);
        QVERIFY(startWindow.isHidden());
        QVERIFY(startWindow.findChildren<QWidget*>().isEmpty());
        QVERIFY(QTest::qWaitForWindowExposed(host));
        QCOMPARE(host->windowTitle(), QStringLiteral("frmFloating"));
        QCOMPARE(host->frameGeometry().topLeft(), QPoint(40, 800));
        QCOMPARE(fixture->ToolBar2->size(), bar.size());
        QCOMPARE(fixture->ToolBar2->parentWidget(), host);
        QCOMPARE(fixture->CoolBar1->bandIndexOf(fixture->ToolBar2), -1);
        QCOMPARE(fixture->CoolBar1->bandCount(), 2);
        QTRY_VERIFY(fixture->CoolBar1->height() < coolBarHeight);

        // The bar stays put in its window: a press on its own surface there drags nothing.
        const QPoint inside = fixture->ToolBar2->mapToGlobal(
            QPoint(fixture->ToolBar2->width() - 20, fixture->ToolBar2->height() / 2));
        press(host, inside);
        QVERIFY(!docking->outline().isVisible());
        moveTo(host, inside + QPoint(0, -400));
        release(host, inside + QPoint(0, -400));
        QCOMPARE(fixture->floatingHost(), host);
        QCOMPARE(host->frameGeometry().topLeft(), QPoint(40, 800));
    }

    // The band shows the style's grip at its start; a press there drags the bar like its
    // own surface does. A floating bar, which cannot be dragged, shows none.
    void theGripStartsTheDrag()
    {
        if (underWindowManager())
            QSKIP("drags on a bare X server");
        auto* grip = fixture->ToolBar2->findChild<QWidget*>(QStringLiteral("dockGrip"));
        QVERIFY(grip);
        QVERIFY(grip->isVisible());
        QVERIFY(grip->height() >= fixture->ToolButton1->height());
        for (QWidget* control : fixture->ToolBar2->findChildren<QWidget*>(
                 QString(), Qt::FindDirectChildrenOnly))
            if (control != grip && control->isVisible())
                QVERIFY2(!control->geometry().intersects(grip->geometry()),
                         qPrintable(control->objectName()));

        const QPoint grab = grip->mapToGlobal(grip->rect().center());
        press(fixture.window(), grab);
        QVERIFY(docking->outline().isVisible());
        QCOMPARE(docking->outline().geometry(), onScreen(fixture->ToolBar2));
        moveTo(fixture.window(), grab + QPoint(0, 600));
        release(fixture.window(), grab + QPoint(0, 600));
        TfrmFloating* host = fixture->floatingHost();
        QVERIFY(host);
        QVERIFY(QTest::qWaitForWindowExposed(host));
        QVERIFY(!grip->isVisible());

        dockBack(host);
        QVERIFY(!fixture->floatingHost());
        QVERIFY(grip->isVisible());
    }

    void pressesOnTheBarsControlsDragNothing_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QPoint>("point"); // in the control
        QTest::newRow("disabled page button") << "ToolButton1" << QPoint(14, 10);
        QTest::newRow("search button") << "BtnBookOK" << QPoint(14, 10);
        QTest::newRow("query box") << "CmbBook" << QPoint(30, 10);
        QTest::newRow("panel") << "Panel1" << QPoint(40, 11);
        QTest::newRow("label") << "Label2" << QPoint(10, 10);
    }

    void pressesOnTheBarsControlsDragNothing()
    {
        QFETCH(QString, control);
        QFETCH(QPoint, point);
        auto* target = fixture->ToolBar2->findChild<QWidget*>(control);
        QVERIFY(target);
        const QPoint from = target->mapToGlobal(point);
        press(fixture.window(), from);
        QVERIFY(!docking->outline().isVisible());
        moveTo(fixture.window(), from + QPoint(-200, 500));
        QVERIFY(!docking->outline().isVisible());
        release(fixture.window(), from + QPoint(-200, 500));
        QVERIFY(!fixture->floatingHost());
        QCOMPARE(fixture->CoolBar1->bandIndexOf(fixture->ToolBar2), 1);
    }

    // The cool bar refuses the bare tool bar, within 10 pixels of its edges too.
    void dropsOnOrNearTheCoolBar_data()
    {
        QTest::addColumn<QPoint>("corner"); // 0 top-left, 1 bottom-right of the cool bar
        QTest::addColumn<QPoint>("offset");
        QTest::addColumn<bool>("floats");
        QTest::newRow("plain click") << QPoint(-1, -1) << QPoint() << false;
        QTest::newRow("on the menu bar") << QPoint(0, 0) << QPoint(200, 5) << false;
        QTest::newRow("10 left") << QPoint(0, 0) << QPoint(-10, 20) << false;
        QTest::newRow("11 left") << QPoint(0, 0) << QPoint(-11, 20) << true;
        QTest::newRow("10 below") << QPoint(1, 1) << QPoint(-300, 10) << false;
        QTest::newRow("11 below") << QPoint(1, 1) << QPoint(-300, 11) << true;
    }

    void dropsOnOrNearTheCoolBar()
    {
        QFETCH(QPoint, corner);
        QFETCH(QPoint, offset);
        QFETCH(bool, floats);
        const QRect coolBar = onScreen(fixture->CoolBar1);
        const QRect bar = onScreen(fixture->ToolBar2);
        const QPoint grab = surfaceOfDockedBar();
        const QPoint drop = corner == QPoint(-1, -1) ? grab
            : (corner == QPoint(0, 0) ? coolBar.topLeft() : coolBar.bottomRight()) + offset;

        press(fixture.window(), grab);
        moveTo(fixture.window(), drop);
        // Refused or not, the outline is the bar's own, under the pointer.
        QCOMPARE(docking->outline().geometry(), bar.translated(drop - grab));
        release(fixture.window(), drop);
        QCOMPARE(fixture->floatingHost() != nullptr, floats);
        QCOMPARE(fixture->CoolBar1->bandIndexOf(fixture->ToolBar2), floats ? -1 : 1);
    }

    // Where another of the program's windows lies in front, the cool bar is out of reach.
    void aWindowInFrontOfTheCoolBarCoversIt()
    {
        const QPoint drop = fixture->CoolBar1->mapToGlobal(QPoint(300, 10));
        QWidget cover;
        cover.setGeometry(QRect(drop - QPoint(50, 20), QSize(100, 40)));
        cover.show();
        QVERIFY(QTest::qWaitForWindowExposed(&cover));
        drag(fixture.window(), surfaceOfDockedBar(), drop);
        QVERIFY(fixture->floatingHost());
    }

    void escapeCancelsTheDrag()
    {
        const QPoint grab = surfaceOfDockedBar();
        press(fixture.window(), grab);
        moveTo(fixture.window(), grab + QPoint(-300, 400));
        QVERIFY(docking->outline().isVisible());
        QTest::keyClick(fixture->ToolBar2, Qt::Key_Escape);
        QVERIFY(!docking->outline().isVisible());
        release(fixture.window(), grab + QPoint(-300, 400));
        QVERIFY(!fixture->floatingHost());
    }

    // The floating window refuses to close on its own. Closing the main window ends the
    // program: the application closes every window that is still shown before it quits,
    // and the floating window goes with the main window.
    void theFloatingWindowClosesOnlyWithTheMainWindow()
    {
        TfrmFloating* host = floatAt(QPoint(60, 760));
        QVERIFY(host);
        CloseCounter closes;
        host->installEventFilter(&closes);
        QVERIFY(!host->close());
        QVERIFY(sendDeleteWindow(xcb_window_t(host->winId())));
        QTRY_COMPARE(closes.count, 2);
        QVERIFY(host->isVisible());
        QCOMPARE(fixture->floatingHost(), host);
        QVERIFY(fixture->ToolBar2->isVisible());

        QVERIFY(fixture->close());
        QVERIFY(host->isHidden());
    }

    void draggedBackOverTheCoolBarTheBarDocksAsTheLastBand_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("encyclopaedia") << 0;
        QTest::newRow("idiom dictionary") << 1;
    }

    void draggedBackOverTheCoolBarTheBarDocksAsTheLastBand()
    {
        QFETCH(int, mode);
        TfrmFloating* host = floatAt(QPoint(60, 760));
        QVERIFY(host);
        fixture->CmbBoxType->setCurrentIndex(mode);
        fixture->CmbBoxTypeChange(fixture->CmbBoxType);

        QVERIFY(host->captionHeight() > 0); // no window manager here
        const QPoint grab = host->mapToGlobal(QPoint(100, host->captionHeight() / 2));
        press(host, grab);
        moveTo(host, grab + QPoint(4, -4));
        QVERIFY(!docking->outline().isVisible()); // not yet 5 pixels
        const QPoint over = fixture->CoolBar1->mapToGlobal(QPoint(300, 5));
        moveTo(host, over);
        QVERIFY(docking->outline().isVisible());
        QCOMPARE(docking->outline().geometry(), onScreen(fixture->CoolBar1));
        release(host, over);

        QVERIFY(!docking->outline().isVisible());
        QVERIFY(host->isHidden());
        QVERIFY(!fixture->floatingHost());
        QCOMPARE(fixture->ToolBar2->parentWidget(), fixture->CoolBar1);
        QCOMPARE(fixture->CoolBar1->bandCount(), 3);
        QCOMPARE(fixture->CoolBar1->bandIndexOf(fixture->PnlBook), 1);
        QCOMPARE(fixture->CoolBar1->bandIndexOf(fixture->ToolBar2), 2);
        QVERIFY(fixture->ToolBar2->isVisible());
        QCOMPARE(fixture->PnlBook->isVisible(), mode == 0);
        // Below the source list, or right below the menu bar where there is none.
        const QWidget* above =
            mode == 0 ? fixture->PnlBook : static_cast<QWidget*>(fixture->ToolBar1);
        QTRY_VERIFY(fixture->ToolBar2->y() >= above->geometry().bottom());
        QTRY_VERIFY(fixture->ToolBar2->y() <= above->geometry().bottom() + 2);
    }

    void droppedElsewhereTheFloatingWindowMovesThere()
    {
        TfrmFloating* host = floatAt(QPoint(60, 760));
        QVERIFY(host);
        const QPoint grab = host->mapToGlobal(QPoint(100, host->captionHeight() / 2));
        drag(host, grab, grab + QPoint(300, -120));
        QCOMPARE(host->frameGeometry().topLeft(), QPoint(360, 640));
        QCOMPARE(fixture->floatingHost(), host);
        QVERIFY(!docking->outline().isVisible());
    }

    void viewEntryHidesAndShowsTheFloatingWindow()
    {
        TfrmFloating* host = floatAt(QPoint(60, 760));
        QVERIFY(host);
        const QPoint place = host->frameGeometry().topLeft();
        const int coolBarHeight = fixture->CoolBar1->height();

        fixture->NViewToolBar->trigger();
        QVERIFY(host->isHidden());
        QVERIFY(!fixture->NViewToolBar->isChecked());
        QVERIFY(fixture->ToolBar2->isVisibleTo(host));
        QCOMPARE(fixture->floatingHost(), host);

        fixture->NViewToolBar->trigger();
        QVERIFY(host->isVisible());
        QVERIFY(fixture->NViewToolBar->isChecked());
        QVERIFY(QTest::qWaitForWindowExposed(host));
        QCOMPARE(host->frameGeometry().topLeft(), place);
        QCOMPARE(fixture->CoolBar1->height(), coolBarHeight);
        QCOMPARE(fixture->CoolBar1->bandCount(), 2);
    }

    // The floating bar's hints and searches are the main window's.
    void theFloatingBarWorksForTheMainWindow()
    {
        QVERIFY(floatAt(QPoint(60, 760)));
        QTest::mouseMove(fixture->BtnBookOK);
        QTRY_COMPARE(fixture->StatusPanel0->text(), QStringLiteral("查询"));
        QTest::mouseMove(fixture->CmbBook);
        QTRY_COMPARE(fixture->StatusPanel0->text(), QString());

        fixture->CmbBook->setEditText(QString());
        {
            ModalAnswerer answerer;
            QTest::keyClick(fixture->CmbBook, Qt::Key_Return);
            QVERIFY(answerer.answered());
            QCOMPARE(answerer.text(), QStringLiteral("请输入要搜索的内容！"));
            QCOMPARE(answerer.owner(), fixture.window());
        }
        {
            ModalAnswerer answerer;
            QTest::mouseClick(fixture->BtnBookOK, Qt::LeftButton);
            QVERIFY(answerer.answered());
        }
        fixture->CmbBook->setEditText(QStringLiteral("float"));
        QTest::keyClick(fixture->CmbBook, Qt::Key_Return);
        QCOMPARE(fixture->historyItems(), QList<QByteArray>{"float"});
        QCOMPARE(fixture->PageControl1->count(), fixture->CkLstBookshop->count());
        QVERIFY(fixture->PageControl1->isVisible());
    }

    // The window manager moves the window and holds the pointer: we learn of the drag only
    // by asking the window system.
    void windowManagerDrags_data()
    {
        QTest::addColumn<bool>("overCoolBar");
        QTest::addColumn<bool>("resized");
        QTest::addColumn<bool>("docks");
        QTest::newRow("released over the cool bar") << true << false << true;
        QTest::newRow("released elsewhere") << false << false << false;
        QTest::newRow("a resize by the left edge") << true << true << false;
    }

    void windowManagerDrags()
    {
        QFETCH(bool, overCoolBar);
        QFETCH(bool, resized);
        QFETCH(bool, docks);
        TfrmFloating* host = floatAt(QPoint(60, 760));
        QVERIFY(host);
        auto probe = std::make_unique<FakeProbe>();
        const std::shared_ptr<Docking::PointerState> pointer = probe->state;
        docking->setProbe(std::move(probe));

        // Seen at rest with the button up, then moved with it down.
        *pointer = {QPoint(100, 770), false};
        host->move(70, 760);
        QCOMPARE(host->frameGeometry().topLeft(), QPoint(70, 760));
        const QPoint target = overCoolBar ? fixture->CoolBar1->mapToGlobal(QPoint(300, 5))
                                          : QPoint(700, 600);
        *pointer = {target, true};
        host->move(target - QPoint(30, 10));
        if (resized)
            host->resize(host->width() - 30, host->height());
        QTRY_VERIFY(docking->dragging());
        if (overCoolBar)
            QTRY_COMPARE(docking->outline().geometry(), onScreen(fixture->CoolBar1));
        QCOMPARE(docking->outline().isVisible(), overCoolBar);

        pointer->leftButtonDown = false;
        QTRY_VERIFY(!docking->dragging());
        QVERIFY(!docking->outline().isVisible());
        QCOMPARE(fixture->floatingHost() == nullptr, docks);
        QCOMPARE(host->isVisible(), !docks);
    }

    // The floating window stays above the main window, as a window of the main window's,
    // and above nothing else.
    void theFloatingWindowStaysAboveTheMainWindow()
    {
        TfrmFloating* host = underWindowManager() ? floatUnderWindowManager(QPoint(60, 700))
                                                  : floatAt(QPoint(60, 760));
        QVERIFY(host);
        QCOMPARE(host->windowHandle()->transientParent(), fixture->windowHandle());
        QVERIFY(!(host->windowFlags() & Qt::WindowStaysOnTopHint));
        QCOMPARE(windowList(xcb_window_t(host->winId()), XCB_ATOM_WM_TRANSIENT_FOR),
                 QList<xcb_window_t>{xcb_window_t(fixture->winId())});
        if (!underWindowManager())
            return;

        // Clicks into the floating window, then into the main window.
        const auto stacking = [] { return windowList(0, atom("_NET_CLIENT_LIST_STACKING")); };
        const auto mainWindowBelowHost = [&] {
            const QList<xcb_window_t> order = stacking();
            const qsizetype below = order.indexOf(xcb_window_t(fixture->winId()));
            return below >= 0 && below < order.indexOf(xcb_window_t(host->winId()));
        };
        QVERIFY(xdotool(at(fixture->CmbBook->mapToGlobal(QPoint(20, 10)))
                        + QStringList{QStringLiteral("click"), QStringLiteral("1")}));
        QTRY_VERIFY(host->isActiveWindow());
        QVERIFY(mainWindowBelowHost());
        QVERIFY(xdotool(at(fixture->StatusBar1->mapToGlobal(QPoint(200, 5)))
                        + QStringList{QStringLiteral("click"), QStringLiteral("1")}));
        QTRY_VERIFY(fixture->isActiveWindow());
        QVERIFY(mainWindowBelowHost());
    }

    // The window manager moves the floating window by its title bar, with the real pointer:
    // the drag is seen from the window's moves alone.
    void windowManagerDragsByTheTitleBar_data()
    {
        QTest::addColumn<bool>("overCoolBar");
        QTest::newRow("released over the cool bar") << true;
        QTest::newRow("released elsewhere") << false;
    }

    void windowManagerDragsByTheTitleBar()
    {
        QFETCH(bool, overCoolBar);
        if (!underWindowManager())
            QSKIP("needs a window manager that frames windows");
        TfrmFloating* host = floatUnderWindowManager(QPoint(60, 700));
        QVERIFY(host);
        const QPoint title((host->frameGeometry().left() + host->geometry().left()) / 2 + 150,
                           (host->frameGeometry().top() + host->geometry().top()) / 2);
        const QPoint target = overCoolBar ? fixture->CoolBar1->mapToGlobal(QPoint(300, 5))
                                          : QPoint(700, 500);
        QVERIFY(xdotool(at(title) + QStringList{QStringLiteral("mousedown"), QStringLiteral("1")}
                        + at(title + QPoint(20, -20)) + at(title + (target - title) / 2)
                        + at(target) + QStringList{QStringLiteral("mouseup"), QStringLiteral("1")}));
        if (overCoolBar) {
            QTRY_VERIFY(!fixture->floatingHost());
            QVERIFY(host->isHidden());
            QCOMPARE(fixture->CoolBar1->bandIndexOf(fixture->ToolBar2), 2);
        } else {
            QTRY_VERIFY(host->frameGeometry().contains(target));
            QVERIFY(!docking->dragging());
            QCOMPARE(fixture->floatingHost(), host);
            QVERIFY(host->isVisible());
        }
        QVERIFY(!docking->outline().isVisible());
    }

    void floatingAgainMakesAFurtherWindow()
    {
        QList<QString> destroyed;
        QPointer<TfrmFloating> first = floatAt(QPoint(60, 760));
        QVERIFY(first);
        first->setObjectName(QStringLiteral("first"));
        dockBack(first);
        QPointer<TfrmFloating> second = floatAt(QPoint(500, 820));
        QVERIFY(second);
        second->setObjectName(QStringLiteral("second"));
        QVERIFY(second != first);
        QVERIFY(first->isHidden());
        QVERIFY(second->isVisible());
        QCOMPARE(second->frameGeometry().topLeft(), QPoint(500, 820));
        QCOMPARE(fixture->floatingHost(), second);
        for (TfrmFloating* host : {first.data(), second.data()})
            connect(host, &QObject::destroyed, this,
                    [&destroyed](QObject* object) { destroyed.append(object->objectName()); });
        fixture.reset();
        QVERIFY(!first);
        QVERIFY(!second);
        QCOMPARE(destroyed, (QList<QString>{"second", "first"}));
    }

private:
    QPoint surfaceOfDockedBar() const
    {
        QToolBar* bar = fixture->ToolBar2;
        const QPoint point(bar->width() - 40, bar->height() / 2);
        return bar->childAt(point) ? QPoint() : bar->mapToGlobal(point);
    }

    // Floats the bar so that its window's corner lands on corner.
    TfrmFloating* floatAt(QPoint corner)
    {
        const QPoint grab = surfaceOfDockedBar();
        if (grab.isNull())
            return nullptr;
        const QPoint offset = grab - fixture->ToolBar2->mapToGlobal(QPoint(0, 0));
        drag(fixture.window(), grab, corner + offset);
        TfrmFloating* host = fixture->floatingHost();
        if (host && !QTest::qWaitForWindowExposed(host))
            return nullptr;
        return host;
    }

    // Under a window manager the window is placed once it is framed.
    TfrmFloating* floatUnderWindowManager(QPoint corner)
    {
        TfrmFloating* host = floatAt(corner);
        if (!host || !QTest::qWaitFor([&] { return host->frameGeometry() != host->geometry(); }))
            return nullptr;
        return host;
    }

    void dockBack(TfrmFloating* host)
    {
        const QPoint grab = host->mapToGlobal(QPoint(100, host->captionHeight() / 2));
        drag(host, grab, fixture->CoolBar1->mapToGlobal(QPoint(300, 5)));
    }

    WindowFixture fixture;
    DockDrag* docking = nullptr;
};

VERITOME_WEB_TEST_MAIN(TestFloating)
#include "tst_floating.moc"
