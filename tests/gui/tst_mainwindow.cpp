#include "Application.h"
#include "CoolBar.h"
#include "Error.h"
#include "LoopbackServer.h"
#include "ModalAnswerer.h"
#include "UnitMain.h"
#include "WebBrowser.h"
#include "QueryHistory.h"
#include "TestTools.h"
#include "WebTestMain.h"
#include "WindowFixture.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QRandomGenerator>
#include <QScreen>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <memory>

namespace {

QStringList objectNames(const QList<QAction*>& actions)
{
    QStringList names;
    for (QAction* action : actions)
        names.append(action->isSeparator() ? QStringLiteral("-") : action->objectName());
    return names;
}

// Text lines as they sit in a history file: line ends CR, LF or CR LF.
QList<QByteArray> linesOf(const QByteArray& content)
{
    QByteArray text = content;
    text.replace("\r\n", "\n");
    text.replace('\r', '\n');
    if (text.endsWith('\n'))
        text.chop(1);
    return text.isEmpty() && !content.startsWith('\n') && !content.startsWith('\r')
        ? QList<QByteArray>()
        : text.split('\n');
}

} // namespace

// The main window as a user meets it: its controls, menus, actions, hints and view
// toggles, the history it loads and saves, and the mode box with the source list.
class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // A desktop whose font is some points larger than Qt's default.
        if (const int growth = qEnvironmentVariableIntValue("VERITOME_TEST_FONT_GROWTH")) {
            QFont font = QApplication::font();
            font.setPointSizeF(font.pointSizeF() + growth);
            QApplication::setFont(font);
        }
        qInfo("font %s, scale %s", qPrintable(QApplication::font().toString()),
              qgetenv("QT_SCALE_FACTOR").constData());
        QVERIFY(fixture.startServer());
        fixture.server.setHandler([](const LoopbackServer::Request&) {
            return LoopbackServer::page("<html><body>page</body></html>");
        });
    }

    void init() { QVERIFY(fixture.newFolder()); }
    void cleanup() { fixture.reset(); }

    void controlTree()
    {
        TfrmMain& window = fixture.make();
        QCOMPARE(window.objectName(), QStringLiteral("frmMain"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Veritome"));

        QCOMPARE(window.CoolBar1->bandCount(), 3);
        QCOMPARE(window.CoolBar1->bandControl(0), window.ToolBar1);
        QCOMPARE(window.CoolBar1->bandControl(1), window.ToolBar2);
        QCOMPARE(window.CoolBar1->bandControl(2), window.PnlBook);

        QStringList menus;
        for (QAction* menu : window.ToolBar1->actions())
            menus.append(menu->text());
        QCOMPARE(menus, QStringList({"文件(&F)", "编辑(&E)", "查看(&V)"}));

        QStringList toolBar;
        for (QAction* action : window.ToolBar2->actions())
            toolBar.append(window.ToolBar2->widgetForAction(action)->objectName());
        toolBar.removeOne(QStringLiteral("dockGrip"));
        QCOMPARE(toolBar, QStringList({"ToolButton1", "ToolButton2", "ToolButton3", "ToolButton8",
                                       "ToolButton5", "ToolButton6", "ToolButton7", "Panel1",
                                       "BtnBookOK"}));
        const QList<QPair<QToolButton*, QAction*>> bound = {
            {window.ToolButton1, window.ActPrior}, {window.ToolButton2, window.ActNext},
            {window.ToolButton3, window.ActClose}, {window.ToolButton8, window.ActCloseAll},
            {window.ToolButton5, window.ActPrint}, {window.ToolButton6, window.ActSave},
            {window.ToolButton7, window.ActPreview}};
        for (const auto& [button, action] : bound) {
            QCOMPARE(button->defaultAction(), action);
            QCOMPARE(button->toolTip(), action->statusTip());
        }

        QCOMPARE(window.CmbBoxType->parentWidget(), window.Panel1);
        QVERIFY(!window.CmbBoxType->isEditable());
        QCOMPARE(window.CmbBoxType->count(), 3);
        QCOMPARE(window.CmbBoxType->itemText(0), QStringLiteral("百科全书"));
        QCOMPARE(window.CmbBoxType->itemText(1), QStringLiteral("成语词典"));
        QCOMPARE(window.CmbBoxType->itemText(2), QStringLiteral("英汉汉英词典"));
        QCOMPARE(window.Label2->text(), QStringLiteral("查询："));
        QVERIFY(window.CmbBook->isEditable());

        QVERIFY(!window.BtnBookOK->defaultAction());
        QCOMPARE(window.BtnBookOK->toolTip(), QStringLiteral("查询"));
        QCOMPARE(window.BtnBookOK->icon().cacheKey(), window.ImageList1.at(9).cacheKey());
        QVERIFY(window.BtnBookOK->isEnabled());

        QCOMPARE(window.CkLstBookshop->parentWidget(), window.PnlBook);
        const QStringList sources = {"维基百科（中文）", "百度百科（中文）", "互动百科（中文）",
                                     "不列颠百科（英文）", "哥伦比亚百科（英文）"};
        QCOMPARE(window.CkLstBookshop->count(), sources.size());
        for (int i = 0; i < sources.size(); ++i) {
            QCOMPARE(window.CkLstBookshop->item(i)->text(), sources[i]);
            QCOMPARE(window.CkLstBookshop->item(i)->checkState(), Qt::Checked);
        }

        QVERIFY(window.StatusPanel0->text().isEmpty());
        QVERIFY(window.StatusPanel1->text().isEmpty());

        QCOMPARE(window.PnlWbAD->parentWidget(), window.Panel2);
        QCOMPARE(window.PageControl1->parentWidget(), window.Panel2);
        QCOMPARE(window.WbAd->parentWidget(), window.PnlWbAD);
        QVERIFY(window.PageControl1->isHidden());
        QVERIFY(!window.PnlWbAD->isHidden());
        QCOMPARE(window.PageControl1->count(), 0);

        QCOMPARE(window.ImageList1.size(), 10);
        for (const QIcon& image : window.ImageList1)
            QVERIFY(image.availableSizes().contains(QSize(16, 16)));
    }

    // Shown at once or never, the window sends the banner request, once.
    void bannerIsRequested_data()
    {
        QTest::addColumn<bool>("shown");
        QTest::newRow("shown") << true;
        QTest::newRow("never shown") << false;
    }

    void bannerIsRequested()
    {
        QFETCH(bool, shown);
        fixture.server.clearRequests();
        TfrmMain& window = fixture.make();
        if (shown)
            window.show();
        QTRY_VERIFY_WITH_TIMEOUT(fixture.server.received("/soft/Veritome.aspx?ver=1.8"), 15000);
        QTRY_COMPARE_WITH_TIMEOUT(window.WbAd->LocationURL(), TfrmMain::bannerAddress(), 15000);
        QVERIFY(WindowFixture::roundTrip(window.WbAd));
        QCOMPARE(fixture.server.pageRequests().size(), 1);
    }

    void controlsInSight_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("narrowedIn");
        QTest::addColumn<int>("shownIn");
        QTest::newRow("designed width") << 729 << 0 << 0;
        QTest::newRow("narrowest") << 1 << 0 << 0;
        QTest::newRow("narrowest in a dictionary mode") << 1 << 2 << 2;
        QTest::newRow("narrowed in a dictionary mode, back to the sources") << 1 << 1 << 0;
        QTest::newRow("wide") << 1200 << 0 << 0;
    }

    // However narrow the window is made, the mode box, the query box and the search button
    // stay in sight, and the five sources stand side by side with their names in full.
    void controlsInSight()
    {
        QFETCH(int, width);
        QFETCH(int, narrowedIn);
        QFETCH(int, shownIn);
        TfrmMain& window = fixture.make();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // The window opens within the screen, frame and all, however wide its bars are.
        const QRect screen = window.screen()->availableGeometry();
        QVERIFY2(screen.contains(window.frameGeometry()),
                 qPrintable(QStringLiteral("%1,%2 %3x%4")
                                .arg(window.frameGeometry().x())
                                .arg(window.frameGeometry().y())
                                .arg(window.frameGeometry().width())
                                .arg(window.frameGeometry().height())));
        QVERIFY(WindowFixture::activate(&window));
        chooseMode(window, narrowedIn);
        // The window's minimum follows the bars in layout requests that each post the next.
        QTRY_COMPARE(window.minimumWidth(), window.minimumSizeHint().width());
        window.resize(width, window.height());
        chooseMode(window, shownIn);
        QTRY_COMPARE(window.width(), qMax(width, window.minimumWidth()));
        QVERIFY(window.minimumWidth() <= screen.width());
        // The bars lay themselves out in posted events.
        QCoreApplication::sendPostedEvents();

        for (QWidget* control : {static_cast<QWidget*>(window.CmbBoxType),
                                 static_cast<QWidget*>(window.CmbBook),
                                 static_cast<QWidget*>(window.BtnBookOK)})
            verifyInSight(window, control);
        QCOMPARE(window.PnlBook->isVisible(), shownIn == 0);
        if (shownIn != 0)
            return;
        QListWidget* list = window.CkLstBookshop;
        // Each source comes into sight as the keyboard steps onto it.
        QVERIFY(list->isVisible());
        list->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < list->count(); ++i) {
            list->setCurrentRow(i);
            QCoreApplication::sendPostedEvents();
            verifyShown(window, list->viewport(), list->visualItemRect(list->item(i)));
        }

        QStyle* style = list->style();
        const int textMargin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
        int columnsWidth = 0;
        for (int i = 0; i < list->count(); ++i) {
            const QRect cell = list->visualItemRect(list->item(i));
            QVERIFY2(list->viewport()->rect().contains(cell), qPrintable(list->item(i)->text()));
            QCOMPARE(cell.top(), list->visualItemRect(list->item(0)).top());
            columnsWidth += cell.width();
            // The name is drawn in full when the text part of its cell holds it.
            QStyleOptionViewItem option;
            option.initFrom(list);
            option.rect = cell;
            option.font = list->font();
            option.fontMetrics = QFontMetrics(option.font);
            option.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasCheckIndicator;
            option.text = list->item(i)->text();
            const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &option, list);
            QVERIFY2(option.fontMetrics.horizontalAdvance(option.text) <= text.width() - 2 * textMargin,
                     qPrintable(option.text));
            QVERIFY(option.fontMetrics.height() <= text.height());
        }
        // The five columns share the list's width, give or take the pixels a division leaves.
        QVERIFY(columnsWidth <= list->viewport()->width());
        QVERIFY(columnsWidth > list->viewport()->width() - 5);

        // The result tabs a search opens carry the same names in full.
        for (int i = 0; i < list->count(); ++i)
            window.CreateResultBrowser(window.AddResultPage(), list->item(i)->text());
        window.RefreshResultArea();
        QCoreApplication::sendPostedEvents();
        const QTabBar* tabs = window.PageControl1->tabBar();
        const QFontMetrics metrics(tabs->font());
        for (int i = 0; i < tabs->count(); ++i) {
            QVERIFY2(metrics.horizontalAdvance(tabs->tabText(i)) < tabs->tabRect(i).width(),
                     qPrintable(tabs->tabText(i)));
            QVERIFY(metrics.height() < tabs->tabRect(i).height());
        }
    }

    void menus()
    {
        TfrmMain& window = fixture.make();
        QCOMPARE(objectNames(window.File1->actions()),
                 QStringList({"ActClose", "ActCloseAll", "-", "ActSave", "-", "ActPageSetup",
                              "ActPreview", "ActPrint", "-", "mnuExit"}));
        QCOMPARE(window.mnuExit->text(), QStringLiteral("退出(&X)"));
        QCOMPARE(objectNames(window.E2->actions()),
                 QStringList({"ActCopy", "ActCut", "ActPaste", "-", "ActSelectAll"}));
        // The design's two entries, then the colours, then the popup's key and waiting.
        QCOMPARE(objectNames(window.N3->actions()),
                 QStringList({"NViewStatusBar", "NViewToolBar", "-", "NViewFollowDesktop",
                              "NViewLight", "NViewDark", "-", "NViewDarkPages", "-",
                              "NPopupKey", "NStayReady", "NStartAtLogin"}));
        QVERIFY(!window.NStayReady->isChecked());
        QCOMPARE(window.NViewFollowDesktop->text(), QStringLiteral("跟随系统"));
        QCOMPARE(window.NViewDarkPages->text(), QStringLiteral("网页也使用深色"));
        QCOMPARE(window.NViewStatusBar->text(), QStringLiteral("状态栏(&B)"));
        QCOMPARE(window.NViewToolBar->text(), QStringLiteral("标准按钮(&T)"));
        QVERIFY(window.NViewStatusBar->isChecked());
        QVERIFY(window.NViewToolBar->isChecked());
    }

    void actions_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<int>("image");
        QTest::newRow("ActPrior") << "ActPrior" << "前一页" << 0;
        QTest::newRow("ActNext") << "ActNext" << "后一页" << 1;
        QTest::newRow("ActClose") << "关闭当前页(&C)" << "关闭当前页" << 2;
        QTest::newRow("ActCloseAll") << "关闭所有页" << "关闭所有页" << 7;
        QTest::newRow("ActSave") << "保存(&S)" << "保存" << 5;
        QTest::newRow("ActPreview") << "打印预览" << "打印预览" << 6;
        QTest::newRow("ActPrint") << "打印(&P)" << "打印" << 4;
        QTest::newRow("ActPageSetup") << "页面设置" << "" << -1;
        QTest::newRow("ActCopy") << "复制(&C)" << "" << -1;
        QTest::newRow("ActCut") << "剪切(&X)" << "" << -1;
        QTest::newRow("ActPaste") << "粘贴(&P)" << "" << -1;
        QTest::newRow("ActSelectAll") << "全选(&A)" << "" << -1;
    }

    // Each action as the list holds it, and disabled, with all that is bound to it, until
    // the update rule finds something to enable.
    void actions()
    {
        QFETCH(QString, caption);
        QFETCH(QString, hint);
        QFETCH(int, image);
        TfrmMain& window = fixture.make();
        QCOMPARE(window.ActionList1.size(), 12);
        QAction* action = window.findChild<QAction*>(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(action);
        QVERIFY(window.ActionList1.contains(action));
        QCOMPARE(action->text(), caption);
        QCOMPARE(action->statusTip(), hint);
        if (image >= 0)
            QCOMPARE(action->icon().cacheKey(), window.ImageList1.at(image).cacheKey());
        else
            QVERIFY(action->icon().isNull());
        QVERIFY(action->shortcuts().isEmpty());

        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(fixture.waitForActionUpdate());
        QVERIFY(!action->isEnabled());
        for (QToolButton* button : window.findChildren<QToolButton*>())
            if (button->defaultAction() == action)
                QVERIFY(!button->isEnabled());
    }

    void actionListOrder()
    {
        TfrmMain& window = fixture.make();
        QCOMPARE(objectNames(window.ActionList1),
                 QStringList({"ActPrior", "ActNext", "ActClose", "ActCloseAll", "ActSave",
                              "ActPreview", "ActPrint", "ActPageSetup", "ActCopy", "ActCut",
                              "ActPaste", "ActSelectAll"}));
    }

    void statusBarToggle()
    {
        TfrmMain& window = fixture.make();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const int resultHeight = window.Panel2->height();

        clickMenuEntry(window.N3, window.NViewStatusBar);
        QVERIFY(!window.NViewStatusBar->isChecked());
        QVERIFY(window.StatusBar1->isHidden());
        QTRY_COMPARE(window.Panel2->height(), resultHeight + window.StatusBar1->height());

        clickMenuEntry(window.N3, window.NViewStatusBar);
        QVERIFY(window.NViewStatusBar->isChecked());
        QVERIFY(window.StatusBar1->isVisible());
        QTRY_COMPARE(window.Panel2->height(), resultHeight);
    }

    void toolBarToggleWhileDocked()
    {
        TfrmMain& window = fixture.make();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const int coolBarHeight = window.CoolBar1->height();
        const int resultHeight = window.Panel2->height();

        clickMenuEntry(window.N3, window.NViewToolBar);
        QVERIFY(!window.NViewToolBar->isChecked());
        QVERIFY(window.ToolBar2->isHidden());
        QTRY_VERIFY(window.CoolBar1->height() < coolBarHeight);
        QCOMPARE(window.Panel2->height(), resultHeight + coolBarHeight - window.CoolBar1->height());
        QVERIFY(window.ToolBar1->isVisible());
        QVERIFY(window.PnlBook->isVisible());

        clickMenuEntry(window.N3, window.NViewToolBar);
        QVERIFY(window.NViewToolBar->isChecked());
        QVERIFY(window.ToolBar2->isVisible());
        QTRY_COMPARE(window.CoolBar1->height(), coolBarHeight);
        QCOMPARE(window.Panel2->height(), resultHeight);
        QCOMPARE(window.CoolBar1->bandControl(1), window.ToolBar2);
    }

    void hintOfToolButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("hint");
        QTest::newRow("search") << "BtnBookOK" << "查询";
        QTest::newRow("prior") << "ToolButton1" << "前一页";
        QTest::newRow("next") << "ToolButton2" << "后一页";
        QTest::newRow("close") << "ToolButton3" << "关闭当前页";
        QTest::newRow("close all") << "ToolButton8" << "关闭所有页";
        QTest::newRow("print") << "ToolButton5" << "打印";
        QTest::newRow("save") << "ToolButton6" << "保存";
        QTest::newRow("preview") << "ToolButton7" << "打印预览";
    }

    // The pointer resting on a button shows its hint in status panel 0; the query box
    // has none, nor have the controls around it, so moving there empties the panel.
    void hintOfToolButtons()
    {
        QFETCH(QString, button);
        QFETCH(QString, hint);
        TfrmMain& window = fixture.make();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* target = window.findChild<QToolButton*>(button);
        QVERIFY(target);

        QTest::mouseMove(window.CmbBook);
        QTest::mouseMove(target);
        QTRY_COMPARE(window.StatusPanel0->text(), hint);
        QTest::mouseMove(window.CmbBook);
        QTRY_COMPARE(window.StatusPanel0->text(), QString());
        QTest::mouseMove(target);
        QTRY_COMPARE(window.StatusPanel0->text(), hint);
        QTest::mouseMove(window.Panel2);
        QTRY_COMPARE(window.StatusPanel0->text(), QString());
    }

    void hintOfMenuEntries_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("hint");
        QTest::newRow("close") << "ActClose" << "关闭当前页";
        QTest::newRow("close all") << "ActCloseAll" << "关闭所有页";
        QTest::newRow("save") << "ActSave" << "保存";
        QTest::newRow("page setup") << "ActPageSetup" << "";
        QTest::newRow("preview") << "ActPreview" << "打印预览";
        QTest::newRow("print") << "ActPrint" << "打印";
        QTest::newRow("exit") << "mnuExit" << "";
    }

    void hintOfMenuEntries()
    {
        QFETCH(QString, entry);
        QFETCH(QString, hint);
        TfrmMain& window = fixture.make();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QAction* action = window.findChild<QAction*>(entry);
        QVERIFY(action);

        // Opened from the menu tool bar, as the user does.
        QTest::mouseClick(window.ToolBar1, Qt::LeftButton, {},
                          window.ToolBar1->actionGeometry(window.File1->menuAction()).center());
        QVERIFY(QTest::qWaitForWindowExposed(window.File1));
        // Start from an entry whose hint differs, so that a change is seen.
        QAction* other = hint.isEmpty() ? window.ActClose : window.ActPageSetup;
        QTest::mouseMove(window.File1, window.File1->actionGeometry(other).center());
        QTRY_COMPARE(window.StatusPanel0->text(), other->statusTip());
        QTest::mouseMove(window.File1, window.File1->actionGeometry(action).center());
        QTRY_COMPARE(window.StatusPanel0->text(), hint);
        window.File1->hide();
    }

    void closeRoads_data()
    {
        QTest::addColumn<bool>("byExitEntry");
        QTest::newRow("close box") << false;
        QTest::newRow("exit entry") << true;
    }

    // File > Exit saves the history and the settings exactly as the close box does.
    void closeRoads()
    {
        QFETCH(bool, byExitEntry);
        QVERIFY(fixture.write(QueryHistory::fileName, "first\nsecond\n"));
        TfrmMain& window = fixture.make();
        QSignalSpy closed(&window, &TfrmMain::closed);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        chooseMode(window, 2);

        const QSize outer = window.frameGeometry().size();
        if (byExitEntry)
            clickMenuEntry(window.File1, window.mnuExit);
        else
            window.close();
        QCOMPARE(closed.size(), 1);
        QVERIFY(!window.isVisible());
        QCOMPARE(fixture.history(), QByteArray("first\r\nsecond\r\n"));
        const QByteArray settings = fixture.settings();
        QVERIFY(settings.contains("\r\nwidth=" + QByteArray::number(outer.width()) + "\r\n"));
        QVERIFY(settings.contains("\r\nHeight=" + QByteArray::number(outer.height()) + "\r\n"));
        QVERIFY(settings.contains("[Dictionary]\r\nID=2\r\n"));
    }

    // The line rules are the history unit's (its own table covers them); here, that the
    // window shows what it loads and writes it back with its own line ends.
    void historyThroughTheWindow_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QList<QByteArray>>("items");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("LF only") << QByteArray("abc\ndef\n") << QList<QByteArray>{"abc", "def"}
                                 << QByteArray("abc\r\ndef\r\n");
        QTest::newRow("GBK and blanks")
            << QByteArray("\xB0\xD9\xBF\xC6\r\n abc \r\n")
            << QList<QByteArray>{"\xB0\xD9\xBF\xC6", " abc "}
            << QByteArray("\xB0\xD9\xBF\xC6\r\n abc \r\n");
    }

    void historyThroughTheWindow()
    {
        QFETCH(QByteArray, file);
        QFETCH(QList<QByteArray>, items);
        QFETCH(QByteArray, written);
        QVERIFY(fixture.write(QueryHistory::fileName, file));
        {
            TfrmMain& window = fixture.make();
            QCOMPARE(window.historyItems(), items);
            QCOMPARE(window.CmbBook->count(), items.size());
            for (int i = 0; i < items.size(); ++i)
                QCOMPARE(window.CmbBook->itemData(i, Qt::UserRole).toByteArray(), items[i]);
            if (!items.isEmpty())
                QCOMPARE(window.CmbBook->itemText(0).toUtf8(),
                         items[0] == "\xB0\xD9\xBF\xC6" ? QByteArray("百科") : items[0]);
            QVERIFY(window.CmbBook->currentText().isEmpty());
            window.close();
        }
        QCOMPARE(fixture.history(), written);
    }

    void noHistoryFileStartsEmptyAndWritesZeroBytes()
    {
        {
            ModalAnswerer noBox;
            TfrmMain& window = fixture.make();
            QCOMPARE(window.CmbBook->count(), 0);
            QVERIFY(!QFile::exists(historyPath()));
            window.close();
            QVERIFY(!noBox.answered());
        }
        QVERIFY(QFile::exists(historyPath()));
        QCOMPARE(fixture.history(), QByteArray());
    }

    void rememberingLeavesTheEditText_data()
    {
        QTest::addColumn<QByteArray>("history");
        QTest::addColumn<QString>("term");
        QTest::addColumn<QList<QByteArray>>("after");
        QTest::newRow("new term") << QByteArray("x\r\n") << "abc"
                                  << QList<QByteArray>{"x", "abc"};
        QTest::newRow("known term") << QByteArray("abc\r\nx\r\n") << "abc"
                                    << QList<QByteArray>{"abc", "x"};
        QTest::newRow("Chinese term") << QByteArray("x\r\n") << "百科"
                                      << QList<QByteArray>{"x", "\xB0\xD9\xBF\xC6"};
    }

    // A search remembers its term without touching what the user typed.
    void rememberingLeavesTheEditText()
    {
        QFETCH(QByteArray, history);
        QFETCH(QString, term);
        QFETCH(QList<QByteArray>, after);
        QVERIFY(fixture.write(QueryHistory::fileName, history));
        TfrmMain& window = fixture.make();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        chooseMode(window, 1); // one tab per search is enough here
        window.CmbBook->setFocus();
        typeText(window.CmbBook, term);
        QCOMPARE(window.CmbBook->currentText(), term);

        QTest::keyClick(window.CmbBook, Qt::Key_Return);
        QCOMPARE(window.PageControl1->count(), 1);
        QCOMPARE(window.historyItems(), after);
        QCOMPARE(window.CmbBook->currentText(), term);
        QCOMPARE(window.CmbBook->lineEdit()->text(), term);

        // Searching the same term again changes nothing.
        QTest::keyClick(window.CmbBook, Qt::Key_Return);
        QCOMPARE(window.historyItems(), after);
        QCOMPARE(window.CmbBook->currentText(), term);
        window.close();
        QCOMPARE(linesOf(fixture.history()), after);
    }

    // An item picked from the list and searched again stays where it is, whatever its bytes.
    void pickedItemIsKnown_data()
    {
        QTest::addColumn<QByteArray>("history");
        QTest::addColumn<int>("pick");
        QTest::newRow("plain") << QByteArray("one\r\ntwo\r\nthree\r\n") << 1;
        QTest::newRow("not GBK") << QByteArray("one\r\n\x80\xFF\r\nthree\r\n") << 1;
        QTest::newRow("cut GBK") << QByteArray("one\r\nabc\xA1\r\n") << 1;
    }

    void pickedItemIsKnown()
    {
        QFETCH(QByteArray, history);
        QFETCH(int, pick);
        QVERIFY(fixture.write(QueryHistory::fileName, history));
        TfrmMain& window = fixture.make();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        chooseMode(window, 1);
        const QList<QByteArray> items = window.historyItems();
        while (window.CmbBook->currentIndex() < pick)
            QTest::keyClick(window.CmbBook, Qt::Key_Down);
        QCOMPARE(window.CmbBook->currentText(), window.CmbBook->itemText(pick));

        QTest::keyClick(window.CmbBook, Qt::Key_Return);
        QCOMPARE(window.PageControl1->count(), 1);
        QCOMPARE(window.historyItems(), items);
        QCOMPARE(window.CmbBook->currentIndex(), pick);
        window.close();
        QCOMPARE(fixture.history(), history);
    }

    // A history file that cannot be read is reported, and start-up still runs to its end.
    void unreadableHistoryIsReportedAndStartUpGoesOn()
    {
        QVERIFY(QDir(fixture.folderPath()).mkdir(QStringLiteral("Veritome.qry")));
        fixture.server.clearRequests();
        ModalAnswerer answerer;
        TfrmMain& window = fixture.make();
        QVERIFY(answerer.answered());
        QCOMPARE(answerer.title(), QStringLiteral("Veritome"));
        QCOMPARE(answerer.icon(), QMessageBox::Critical);
        QCOMPARE(answerer.buttons(), QMessageBox::StandardButtons(QMessageBox::Ok));
        const QString prefix =
            QStringLiteral("Cannot open file \"%1\". ").arg(QFileInfo(historyPath()).absoluteFilePath());
        QVERIFY2(answerer.text().startsWith(prefix), qPrintable(answerer.text()));
        QVERIFY(answerer.text().size() > prefix.size());
        QVERIFY(answerer.text().endsWith(QLatin1Char('.')));

        QCOMPARE(window.CmbBook->count(), 0);
        QCOMPARE(window.CkLstBookshop->count(), 5);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(window.CkLstBookshop->item(i)->checkState(), Qt::Checked);
        QVERIFY(window.PageControl1->isHidden());
        QTRY_VERIFY_WITH_TIMEOUT(fixture.server.received("/soft/Veritome.aspx?ver=1.8"), 15000);

        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::mouseMove(window.BtnBookOK);
        QTRY_COMPARE(window.StatusPanel0->text(), QStringLiteral("查询"));
        QCOMPARE(window.CmbBoxType->currentIndex(), 0);
        window.close();
        QVERIFY(QFileInfo(historyPath()).isDir());
        QVERIFY(fixture.settings().contains("ID=0"));
    }

    void eachFileIsWrittenOnItsOwn_data()
    {
        QTest::addColumn<bool>("historyBlocked");
        QTest::addColumn<bool>("settingsBlocked");
        QTest::newRow("history blocked") << true << false;
        QTest::newRow("settings blocked") << false << true;
        QTest::newRow("both blocked") << true << true;
    }

    // A file that cannot be written keeps neither the other file from being written
    // nor the window from closing, and nothing is said.
    void eachFileIsWrittenOnItsOwn()
    {
        QFETCH(bool, historyBlocked);
        QFETCH(bool, settingsBlocked);
        TfrmMain& window = fixture.make();
        QSignalSpy closed(&window, &TfrmMain::closed);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        chooseMode(window, 1);
        // A folder in the file's place: writing is refused even for root.
        if (historyBlocked)
            QVERIFY(QDir(fixture.folderPath()).mkdir(QStringLiteral("Veritome.qry")));
        if (settingsBlocked)
            QVERIFY(QDir(fixture.folderPath()).mkdir(QStringLiteral("Veritoem.ini")));

        ModalAnswerer noBox;
        window.close();
        QCOMPARE(closed.size(), 1);
        QVERIFY(WindowFixture::waitForPostedEvents());
        QVERIFY(!noBox.answered());
        QCOMPARE(QFileInfo(historyPath()).isDir(), historyBlocked);
        QCOMPARE(QFileInfo(settingsPath()).isDir(), settingsBlocked);
        if (!historyBlocked)
            QCOMPARE(fixture.history(), QByteArray());
        if (!settingsBlocked)
            QVERIFY(fixture.settings().contains("[Dictionary]\r\nID=1\r\n"));
        QCOMPARE(QDir(fixture.folderPath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(),
                 2);
    }

    void badHistoryInput_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("written");

        QRandomGenerator random(20240607);
        // Five megabytes of random bytes: lone CRs and LFs become CR LF, nothing else changes.
        QByteArray raw(5 * 1024 * 1024, Qt::Uninitialized);
        for (char& c : raw)
            c = char(random.bounded(1, 256));
        QByteArray normalised = raw;
        normalised.replace("\r\n", "\n").replace('\r', '\n').replace("\n", "\r\n");
        if (!normalised.endsWith("\r\n"))
            normalised += "\r\n";
        QTest::newRow("5 MB of random bytes") << raw << normalised;
    }

    // Whatever bytes the history holds, the program starts and writes every line back
    // as it found it.
    void badHistoryInput()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, written);
        QVERIFY(fixture.write(QueryHistory::fileName, file));
        {
            ModalAnswerer noBox;
            TfrmMain& window = fixture.make();
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QVERIFY(!noBox.answered());
            QCOMPARE(window.CmbBook->count(), linesOf(written).size());
            QCOMPARE(window.historyItems(), linesOf(written));
            QCOMPARE(window.CkLstBookshop->count(), 5);
            window.close();
        }
        QVERIFY(fixture.history() == written);
    }

    void modeBoxAndSourceList()
    {
        TfrmMain& window = fixture.make();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.CmbBoxType->currentIndex(), 0);
        QVERIFY(window.PnlBook->isVisible());

        chooseMode(window, 1);
        QVERIFY(window.PnlBook->isHidden());
        chooseMode(window, 2);
        QVERIFY(window.PnlBook->isHidden());
        chooseMode(window, 0);
        QVERIFY(window.PnlBook->isVisible());

        // Unticking every source disables the search button; one tick enables it again.
        for (int i = 0; i < 5; ++i) {
            QVERIFY(window.BtnBookOK->isEnabled());
            toggleSource(window, i);
            QCOMPARE(window.CkLstBookshop->item(i)->checkState(), Qt::Unchecked);
        }
        QVERIFY(!window.BtnBookOK->isEnabled());
        toggleSource(window, 3);
        QVERIFY(window.BtnBookOK->isEnabled());
        toggleSource(window, 3);
        QVERIFY(!window.BtnBookOK->isEnabled());
        toggleSource(window, 4);
        QVERIFY(window.BtnBookOK->isEnabled());

        chooseMode(window, 1);
        QVERIFY(window.PnlBook->isHidden());
        chooseMode(window, 0);
        QVERIFY(window.PnlBook->isVisible());
        const Qt::CheckState expected[] = {Qt::Unchecked, Qt::Unchecked, Qt::Unchecked,
                                           Qt::Unchecked, Qt::Checked};
        for (int i = 0; i < 5; ++i)
            QCOMPARE(window.CkLstBookshop->item(i)->checkState(), expected[i]);
        QVERIFY(window.BtnBookOK->isEnabled());
    }

    void errorBoxText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "Disk full" << "Disk full.";
        QTest::newRow("full stop") << "Disk full." << "Disk full.";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("bracket") << "Error (5)" << "Error (5)";
        QTest::newRow("hyphen") << "a-" << "a-";
        QTest::newRow("slash") << "a/" << "a/.";
        QTest::newRow("digit") << "code 5" << "code 5.";
        QTest::newRow("blank") << "a " << "a ";
        QTest::newRow("Chinese") << "无法打开" << "无法打开.";
        QTest::newRow("full-width stop") << "无法打开。" << "无法打开。.";
    }

    void errorBoxText()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(App::errorBoxText(text), shown);
    }

    // An error escaping a handler reaches the user in the standard error box.
    void errorBox()
    {
        ModalAnswerer answerer;
        App::guarded([] { throw Error(QStringLiteral("Cannot open file \"x\". Is a directory")); });
        QVERIFY(answerer.answered());
        QCOMPARE(answerer.text(), QStringLiteral("Cannot open file \"x\". Is a directory."));
        QCOMPARE(answerer.title(), QStringLiteral("Veritome"));
        QCOMPARE(answerer.icon(), QMessageBox::Critical);
        QCOMPARE(answerer.buttons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    }

private:
    QString historyPath() const { return fixture.filePath(QueryHistory::fileName); }
    QString settingsPath() const { return fixture.filePath(TfrmMain::settingsFileName); }

    // Opens the menu and clicks the entry, as the user would.
    static void clickMenuEntry(QMenu* menu, QAction* entry)
    {
        menu->popup(QPoint(0, 0));
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
        QTRY_VERIFY(!menu->isVisible());
    }

    // The control is shown, and lies inside each of its parents up to the window.
    // In sight once it has the keyboard: on a screen too narrow for the bars they scroll.
    static void verifyInSight(TfrmMain& window, QWidget* control)
    {
        QVERIFY2(control->isVisible(), qPrintable(control->objectName()));
        control->setFocus(Qt::TabFocusReason);
        QCoreApplication::sendPostedEvents();
        verifyShown(window, control, control->rect());
    }

    // The part of the widget lies within the window and within every widget that holds it.
    static void verifyShown(TfrmMain& window, QWidget* inside, const QRect& part)
    {
        for (QWidget* widget = inside->parentWidget(); widget; widget = widget->parentWidget()) {
            const QRect shown = part.translated(inside->mapTo(widget, QPoint(0, 0)));
            QVERIFY2(widget->rect().contains(shown),
                     qPrintable(QStringLiteral("%1 at %2,%3 %4x%5 in %6 %7x%8")
                                    .arg(inside->objectName())
                                    .arg(shown.x())
                                    .arg(shown.y())
                                    .arg(shown.width())
                                    .arg(shown.height())
                                    .arg(widget->objectName())
                                    .arg(widget->width())
                                    .arg(widget->height())));
            if (widget == &window)
                break;
        }
    }

    // Steps through the mode box with the arrow keys, which is what raises its change event.
    static void chooseMode(TfrmMain& window, int index)
    {
        QComboBox* box = window.CmbBoxType;
        while (box->currentIndex() < index)
            QTest::keyClick(box, Qt::Key_Down);
        while (box->currentIndex() > index)
            QTest::keyClick(box, Qt::Key_Up);
        QCOMPARE(box->currentIndex(), index);
    }

    // Space on the current entry flips its tick, as a click on the box does.
    static void toggleSource(TfrmMain& window, int row)
    {
        QListWidget* list = window.CkLstBookshop;
        list->setCurrentRow(row);
        QTest::keyClick(list, Qt::Key_Space);
    }

    WindowFixture fixture;
};

VERITOME_WEB_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
