#include "Error.h"
#include "LoopbackServer.h"
#include "ModalAnswerer.h"
#include "UnitMain.h"
#include "WebBrowser.h"
#include "WebTestMain.h"
#include "WindowFixture.h"

#include <QComboBox>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTemporaryDir>

namespace {

// A web view whose command status the test sets at will, and which records what it runs.
class FakeBrowser : public TWebBrowser {
public:
    using TWebBrowser::TWebBrowser;

    int QueryStatusWB(int command) const override
    {
        if (command == failingStatus)
            throw Error(QStringLiteral("status failed"));
        return status.value(command, 0);
    }
    void ExecWB(int command, int option) override
    {
        if (command == failingExec)
            throw Error(QStringLiteral("command failed"));
        executed.append({command, option});
    }

    QMap<int, int> status;
    QList<QPair<int, int>> executed;
    int failingStatus = -100;
    int failingExec = -100;
};

using StatusMap = QMap<int, int>;
using ActionNames = QStringList;

// The eight page commands as the window's design gives them, in the action list's order.
struct PageCommandRow {
    const char* action;
    int command;
    void (TfrmMain::*handler)(QObject*);
};
const PageCommandRow pageCommands[] = {
    {"ActSave", OleCmd::SaveAs, &TfrmMain::ActSaveExecute},
    {"ActPreview", OleCmd::PrintPreview, &TfrmMain::ActPreviewExecute},
    {"ActPrint", OleCmd::Print, &TfrmMain::ActPrintExecute},
    {"ActPageSetup", OleCmd::PageSetup, &TfrmMain::ActPageSetupExecute},
    {"ActCopy", OleCmd::Copy, &TfrmMain::ActCopyExecute},
    {"ActCut", OleCmd::Cut, &TfrmMain::ActCutExecute},
    {"ActPaste", OleCmd::Paste, &TfrmMain::ActPasteExecute},
    {"ActSelectAll", OleCmd::SelectAll, &TfrmMain::ActSelectAllExecute},
};

StatusMap allPageCommands(int status)
{
    StatusMap map;
    for (const PageCommandRow& row : pageCommands)
        map.insert(row.command, status);
    return map;
}

} // namespace

// The rule that enables the twelve actions, and when it runs.
class TestActionState : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(fixture.startServer()); }
    void init() { QVERIFY(fixture.open(false)); }
    void cleanup() { fixture.reset(); }

    void updateRule_data()
    {
        QTest::addColumn<int>("tabs");
        QTest::addColumn<int>("active");
        QTest::addColumn<bool>("withWebView");
        QTest::addColumn<StatusMap>("status");
        QTest::addColumn<ActionNames>("enabled");

        QTest::newRow("no tab") << 0 << -1 << true << StatusMap() << ActionNames();
        QTest::newRow("one tab") << 1 << 0 << true << StatusMap()
                                 << ActionNames{"ActClose", "ActCloseAll"};
        QTest::newRow("three tabs, first active")
            << 3 << 0 << true << StatusMap() << ActionNames{"ActNext", "ActClose", "ActCloseAll"};
        QTest::newRow("three tabs, second active")
            << 3 << 1 << true << StatusMap()
            << ActionNames{"ActPrior", "ActNext", "ActClose", "ActCloseAll"};
        QTest::newRow("three tabs, third active")
            << 3 << 2 << true << StatusMap() << ActionNames{"ActPrior", "ActClose", "ActCloseAll"};
        QTest::newRow("copy available, paste not")
            << 1 << 0 << true << StatusMap{{OleCmd::Copy, 3}, {OleCmd::Paste, 1}}
            << ActionNames{"ActClose", "ActCloseAll", "ActCopy"};
        QTest::newRow("save available, preview not")
            << 1 << 0 << true << StatusMap{{OleCmd::SaveAs, 3}, {OleCmd::PrintPreview, 1}}
            << ActionNames{"ActClose", "ActCloseAll", "ActSave"};
        QTest::newRow("latched or other flags are not 3")
            << 1 << 0 << true
            << StatusMap{{OleCmd::SaveAs, 7},  {OleCmd::Print, 11}, {OleCmd::Copy, 2},
                         {OleCmd::Cut, 1},     {OleCmd::Paste, 15}, {OleCmd::SelectAll, 3}}
            << ActionNames{"ActClose", "ActCloseAll", "ActSelectAll"};
        for (const auto& [action, command, handler] : pageCommands) {
            StatusMap onlyThis = allPageCommands(1);
            onlyThis[command] = 3;
            QTest::addRow("only command %d available", command)
                << 1 << 0 << true << onlyThis
                << ActionNames{"ActClose", "ActCloseAll", QString::fromLatin1(action)};
        }
        QTest::newRow("every page command available")
            << 2 << 1 << true << allPageCommands(3)
            << ActionNames{"ActPrior",   "ActClose",   "ActCloseAll", "ActSave",
                           "ActPreview", "ActPrint",   "ActPageSetup", "ActCopy",
                           "ActCut",     "ActPaste",   "ActSelectAll"};
        QTest::newRow("active tab without a web view")
            << 2 << 0 << false << allPageCommands(3)
            << ActionNames{"ActNext", "ActClose", "ActCloseAll"};
    }

    void updateRule()
    {
        QFETCH(int, tabs);
        QFETCH(int, active);
        QFETCH(bool, withWebView);
        QFETCH(StatusMap, status);
        QFETCH(ActionNames, enabled);
        for (int i = 0; i < tabs; ++i) {
            FakeBrowser* browser = addFakeTab(QStringLiteral("tab %1").arg(i));
            QVERIFY(browser);
            browser->status = status;
            if (!withWebView)
                delete browser;
        }
        fixture->PageControl1->setCurrentIndex(active);
        QCOMPARE(fixture->PageControl1->currentIndex(), active);

        // Every run sets all twelve from scratch, whatever they were before.
        for (bool before : {true, false, true}) {
            for (QAction* action : fixture->ActionList1)
                action->setEnabled(before);
            bool handled = false;
            fixture->ActionList1Update(fixture->ActSave, handled);
            QVERIFY(!handled);
            QCOMPARE(enabledActions(), enabled);
        }
    }

    void eachCommandRunsOnlyWhenItsStatusIsThree_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("status");
        for (const auto& [action, command, handler] : pageCommands)
            for (int status : {3, 7, 1, 0})
                QTest::addRow("%s, status %d", action, status)
                    << QString::fromLatin1(action) << command << status;
    }

    // The handler itself asks again: latched or unavailable means nothing happens.
    void eachCommandRunsOnlyWhenItsStatusIsThree()
    {
        QFETCH(QString, action);
        QFETCH(int, command);
        QFETCH(int, status);
        FakeBrowser* browser = addFakeTab(QStringLiteral("tab"));
        QVERIFY(browser);
        browser->status = allPageCommands(3);
        browser->status[command] = status;

        for (const PageCommandRow& row : pageCommands)
            if (row.action == action)
                (fixture.window()->*row.handler)(nullptr);
        const QList<QPair<int, int>> expected =
            status == 3 ? QList<QPair<int, int>>{{command, int(OleCmd::DoDefault)}}
                        : QList<QPair<int, int>>{};
        QCOMPARE(browser->executed, expected);

        // Through the action: the refresh right before it decides.
        browser->executed.clear();
        QAction* qaction = fixture->findChild<QAction*>(action);
        QVERIFY(qaction);
        qaction->setEnabled(true);
        qaction->trigger();
        QCOMPARE(browser->executed, expected);
        QCOMPARE(qaction->isEnabled(), status == 3);
    }

    void commandsWithoutAWebViewDoNothing()
    {
        FakeBrowser* browser = addFakeTab(QStringLiteral("tab"));
        QVERIFY(browser);
        delete browser;
        QCOMPARE(fixture->GetActiveWebBrowser(), nullptr);
        fixture->ActSaveExecute(nullptr);
        fixture->ActCopyExecute(nullptr);
    }

    void aCommandThatWentAwaySinceTheLastRefreshDoesNothing()
    {
        FakeBrowser* browser = addFakeTab(QStringLiteral("tab"));
        QVERIFY(browser);
        browser->status = allPageCommands(3);
        QTRY_VERIFY(fixture->ActPrint->isEnabled());
        browser->status[OleCmd::Print] = 1; // no signal: the engine changed its mind quietly
        QVERIFY(fixture->ActPrint->isEnabled());
        fixture->ActPrint->trigger();
        QVERIFY(browser->executed.isEmpty());
        QVERIFY(!fixture->ActPrint->isEnabled());
    }

    void theRuleRunsWhenTheTabSetOrActiveTabChanges()
    {
        FakeBrowser* first = addFakeTab(QStringLiteral("one"));
        QVERIFY(first);
        QTRY_VERIFY(fixture->ActClose->isEnabled());
        QVERIFY(!fixture->ActNext->isEnabled());

        QVERIFY(addFakeTab(QStringLiteral("two")));
        QCOMPARE(fixture->PageControl1->currentIndex(), 0);
        QTRY_VERIFY(fixture->ActNext->isEnabled());
        QVERIFY(!fixture->ActPrior->isEnabled());

        fixture->PageControl1->setCurrentIndex(1);
        QTRY_VERIFY(fixture->ActPrior->isEnabled());
        QVERIFY(!fixture->ActNext->isEnabled());

        fixture->ActPriorExecute(nullptr);
        QTRY_VERIFY(fixture->ActNext->isEnabled());
        fixture->ActCloseExecute(nullptr);
        QTRY_VERIFY(!fixture->ActNext->isEnabled());
        QVERIFY(fixture->ActClose->isEnabled());
        fixture->ActCloseExecute(nullptr);
        QTRY_VERIFY(!fixture->ActClose->isEnabled());
        QCOMPARE(enabledActions(), ActionNames());
    }

    void theRuleRunsWhenAMenuOpens_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("command");
        QTest::newRow("edit menu") << "E2" << "ActPaste" << int(OleCmd::Paste);
        QTest::newRow("file menu") << "File1" << "ActPageSetup" << int(OleCmd::PageSetup);
    }

    void theRuleRunsWhenAMenuOpens()
    {
        QFETCH(QString, menu);
        QFETCH(QString, action);
        QFETCH(int, command);
        FakeBrowser* browser = addFakeTab(QStringLiteral("tab"));
        QVERIFY(browser);
        QAction* qaction = fixture->findChild<QAction*>(action);
        QTRY_VERIFY(fixture->ActClose->isEnabled());
        QVERIFY(fixture.waitForActionUpdate());
        QVERIFY(!qaction->isEnabled());
        browser->status[command] = 3;

        auto* popup = fixture->findChild<QMenu*>(menu);
        QVERIFY(popup);
        popup->popup(fixture->mapToGlobal(QPoint(10, 10)));
        QVERIFY(qaction->isEnabled());
        popup->close();
    }

    void pageCommandsActOnTheActivePageWhileTheQueryBoxHasFocus()
    {
        FakeBrowser* first = addFakeTab(QStringLiteral("one"));
        FakeBrowser* second = addFakeTab(QStringLiteral("two"));
        QVERIFY(first && second);
        first->status = second->status = allPageCommands(3);
        fixture->PageControl1->setCurrentIndex(1);
        QVERIFY(WindowFixture::activate(fixture.window()));
        fixture->CmbBook->setEditText(QStringLiteral("term"));
        fixture->CmbBook->setFocus();
        QTRY_VERIFY(fixture->CmbBook->lineEdit()->hasFocus());
        QTRY_VERIFY(fixture->ActSelectAll->isEnabled());

        for (QAction* action :
             {fixture->ActSelectAll, fixture->ActCopy, fixture->ActCut, fixture->ActPaste})
            action->trigger();
        const QList<QPair<int, int>> expected = {{OleCmd::SelectAll, 0},
                                                 {OleCmd::Copy, 0},
                                                 {OleCmd::Cut, 0},
                                                 {OleCmd::Paste, 0}};
        QCOMPARE(second->executed, expected);
        QVERIFY(first->executed.isEmpty());
        QCOMPARE(fixture->CmbBook->currentText(), QStringLiteral("term"));
        QVERIFY(fixture->CmbBook->lineEdit()->hasFocus());
    }

    void failingStatusEndsTheRunAndIsShown()
    {
        FakeBrowser* browser = addFakeTab(QStringLiteral("tab"));
        QVERIFY(browser);
        QTRY_VERIFY(fixture->ActClose->isEnabled());
        QVERIFY(fixture.waitForActionUpdate());
        for (QAction* action : fixture->ActionList1)
            action->setEnabled(true);
        browser->failingStatus = OleCmd::Paste;

        ModalAnswerer answerer;
        fixture->E2->popup(fixture->mapToGlobal(QPoint(10, 10)));
        QVERIFY(answerer.answered());
        fixture->E2->close();
        QCOMPARE(answerer.text(), QStringLiteral("status failed."));
        QCOMPARE(answerer.icon(), QMessageBox::Critical);
        // Set before the failure: from the status (0); after it: as they were.
        QCOMPARE(enabledActions(), (ActionNames{"ActClose", "ActCloseAll", "ActPaste",
                                                "ActSelectAll"}));
    }

    void failingCommandIsShown()
    {
        FakeBrowser* browser = addFakeTab(QStringLiteral("tab"));
        QVERIFY(browser);
        browser->status = allPageCommands(3);
        QTRY_VERIFY(fixture->ActSave->isEnabled());
        browser->failingExec = OleCmd::SaveAs;
        ModalAnswerer answerer;
        fixture->ActSave->trigger();
        QVERIFY(answerer.answered());
        QCOMPARE(answerer.text(), QStringLiteral("command failed."));
    }

private:
    // The steps of a search, with a fake in place of the real web view.
    FakeBrowser* addFakeTab(const QString& caption)
    {
        fixture->PageControl1->show();
        QWidget* tab = fixture->AddResultPage();
        delete fixture->CreateResultBrowser(tab, caption);
        auto* browser = new FakeBrowser(fixture.window());
        browser->setParent(tab);
        tab->layout()->addWidget(browser);
        browser->setTag(fixture->pageSerial());
        browser->show();
        const int index = fixture->PageControl1->indexOf(tab);
        const int active = fixture->PageControl1->currentIndex();
        fixture->PageControl1->setCurrentIndex(index);
        const bool found = fixture->GetActiveWebBrowser() == browser;
        fixture->PageControl1->setCurrentIndex(active);
        return found ? browser : nullptr;
    }

    ActionNames enabledActions() const
    {
        ActionNames names;
        for (QAction* action : fixture->ActionList1)
            if (action->isEnabled())
                names.append(action->objectName());
        return names;
    }

    WindowFixture fixture;
};

VERITOME_WEB_TEST_MAIN(TestActionState)
#include "tst_actionstate.moc"
