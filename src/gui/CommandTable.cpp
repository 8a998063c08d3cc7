#include "CommandTable.h"

#include "Application.h"
#include "FindBar.h"
#include "PageZoom.h"
#include "TabHistory.h"
#include "UnitMain.h"
#include "WebBrowser.h"

#include <QDesktopServices>
#include <QWebEngineView>

namespace CommandTable {

namespace {

constexpr int available = OleCmd::Supported | OleCmd::Enabled;

QWebEngineView* viewOf(const Context& c) { return TWebBrowser::engineViewOf(c.browser); }

bool hasPage(const Context& c) { return viewOf(c) != nullptr; }
bool hasTabs(const Context& c) { return c.tabCount > 0; }

// The zoom is the result pages': it changes while there are any. At its largest or its
// smallest, a step further says so.
bool canResetZoom(const Context& c) { return c.tabCount > 0 && !c.zoom->isDefault(); }

// Where no web browser will start, the user is told what to do about it, in a message of
// the program's own.
void openInBrowser(const Context& c, const QUrl& address)
{
    if (address.isValid() && !QDesktopServices::openUrl(address))
        App::showInformation(c.window, QStringLiteral("无法用网页浏览器打开 %1。\n"
                                                      "请在桌面的设置中选择默认的网页浏览器，然后再试。")
                                           .arg(address.toDisplayString()));
}

// Builds a row step by step: what it is, then where it shows.
struct Row {
    Command command;

    Row& keys(QList<QKeySequence> keys)
    {
        command.keys = std::move(keys);
        return *this;
    }
    Row& in(Menu menu, int slot, bool separatorBefore = false)
    {
        command.menu = menu;
        command.menuSlot = slot;
        command.separatorBefore = separatorBefore;
        return *this;
    }
    Row& onToolBar(QToolButton* TfrmMain::*button, const char* name, int slot)
    {
        command.button = button;
        command.buttonName = name;
        command.buttonSlot = slot;
        return *this;
    }
    Row& inPageMenu(PageMenu where, bool separatorBefore = false,
                    QWebEnginePage::WebAction engineAction = QWebEnginePage::NoWebAction)
    {
        command.pageMenu = where;
        command.separatorBefore = separatorBefore;
        command.engineAction = engineAction;
        return *this;
    }
    operator Command() const { return command; }
};

Row action(const char* name, const QString& caption, const QString& hint, int glyph,
           Handler execute, Rule enabled, QAction* TfrmMain::*field)
{
    Row row;
    row.command.name = name;
    row.command.caption = caption;
    row.command.hint = hint;
    row.command.glyph = glyph;
    row.command.execute = execute;
    row.command.enabled = enabled;
    row.command.field = field;
    return row;
}

Row webCommand(const char* name, const QString& caption, const QString& hint, int glyph,
               Handler execute, int command, QAction* TfrmMain::*field)
{
    Row row = action(name, caption, hint, glyph, execute, nullptr, field);
    row.command.webCommand = command;
    return row;
}

Row command(const char* name, const QString& caption, const QString& hint, Run run,
            Rule enabled)
{
    Row row = action(name, caption, hint, -1, nullptr, enabled, nullptr);
    row.command.run = run;
    return row;
}

QList<Command> buildTable()
{
    using T = TfrmMain;
    return {
        // The action list, in its order.
        action("ActPrior", QStringLiteral("ActPrior"), QStringLiteral("前一页"), 0,
               &T::ActPriorExecute,
               [](const Context& c) { return c.activeIndex > 0; }, &T::ActPrior)
            .onToolBar(&T::ToolButton1, "ToolButton1", 1),
        action("ActNext", QStringLiteral("ActNext"), QStringLiteral("后一页"), 1,
               &T::ActNextExecute,
               [](const Context& c) { return c.activeIndex < c.tabCount - 1; },
               &T::ActNext)
            .onToolBar(&T::ToolButton2, "ToolButton2", 2),
        action("ActClose", QStringLiteral("关闭当前页(&C)"), QStringLiteral("关闭当前页"), 2,
               &T::ActCloseExecute, hasTabs, &T::ActClose)
            .in(Menu::File, 1)
            .onToolBar(&T::ToolButton3, "ToolButton3", 3),
        action("ActCloseAll", QStringLiteral("关闭所有页"), QStringLiteral("关闭所有页"), 7,
               &T::ActCloseAllExecute, hasTabs, &T::ActCloseAll)
            .in(Menu::File, 2)
            .onToolBar(&T::ToolButton8, "ToolButton8", 4),
        webCommand("ActSave", QStringLiteral("保存(&S)"), QStringLiteral("保存"), 5,
                   &T::ActSaveExecute, OleCmd::SaveAs, &T::ActSave)
            .in(Menu::File, 3, true)
            .onToolBar(&T::ToolButton6, "ToolButton6", 6),
        webCommand("ActPreview", QStringLiteral("打印预览"), QStringLiteral("打印预览"), 6,
                   &T::ActPreviewExecute, OleCmd::PrintPreview, &T::ActPreview)
            .in(Menu::File, 5)
            .onToolBar(&T::ToolButton7, "ToolButton7", 7),
        webCommand("ActPrint", QStringLiteral("打印(&P)"), QStringLiteral("打印"), 4,
                   &T::ActPrintExecute, OleCmd::Print, &T::ActPrint)
            .in(Menu::File, 6)
            .onToolBar(&T::ToolButton5, "ToolButton5", 5),
        webCommand("ActPageSetup", QStringLiteral("页面设置"), QString(), -1,
                   &T::ActPageSetupExecute, OleCmd::PageSetup, &T::ActPageSetup)
            .in(Menu::File, 4, true),
        webCommand("ActCopy", QStringLiteral("复制(&C)"), QString(), -1, &T::ActCopyExecute,
                   OleCmd::Copy, &T::ActCopy)
            .in(Menu::Edit, 1),
        webCommand("ActCut", QStringLiteral("剪切(&X)"), QString(), -1, &T::ActCutExecute,
                   OleCmd::Cut, &T::ActCut)
            .in(Menu::Edit, 2),
        webCommand("ActPaste", QStringLiteral("粘贴(&P)"), QString(), -1, &T::ActPasteExecute,
                   OleCmd::Paste, &T::ActPaste)
            .in(Menu::Edit, 3),
        webCommand("ActSelectAll", QStringLiteral("全选(&A)"), QString(), -1,
                   &T::ActSelectAllExecute, OleCmd::SelectAll, &T::ActSelectAll)
            .in(Menu::Edit, 4, true),

        // The commands beyond the action list: in the page's own menu and on keys, so that
        // the window's menus stay as they are.
        command("ActFind", QStringLiteral("查找(&F)..."), QStringLiteral("在本页中查找"),
                [](const Context& c) { c.findBar->open(); }, hasPage)
            .keys({QKeySequence(Qt::CTRL | Qt::Key_F)})
            .inPageMenu(PageMenu::Always, true),
        command("ActFindNext", QStringLiteral("查找下一处"), QStringLiteral("查找下一处"),
                [](const Context& c) { c.findBar->findNext(); }, hasPage)
            .keys({QKeySequence(Qt::Key_F3)}),
        command("ActFindPrevious", QStringLiteral("查找上一处"), QStringLiteral("查找上一处"),
                [](const Context& c) { c.findBar->findPrevious(); }, hasPage)
            .keys({QKeySequence(Qt::SHIFT | Qt::Key_F3)}),
        command("ActBack", QStringLiteral("后退"), QStringLiteral("回到本页的上一页"),
                [](const Context& c) { TabHistory::back(viewOf(c)); },
                [](const Context& c) { return TabHistory::canGoBack(viewOf(c)); })
            .keys({QKeySequence(Qt::ALT | Qt::Key_Left), QKeySequence(Qt::Key_Back)})
            .inPageMenu(PageMenu::InPlaceOfEngine, false, QWebEnginePage::Back),
        command("ActForward", QStringLiteral("前进"), QStringLiteral("去往本页的下一页"),
                [](const Context& c) { TabHistory::forward(viewOf(c)); },
                [](const Context& c) { return TabHistory::canGoForward(viewOf(c)); })
            .keys({QKeySequence(Qt::ALT | Qt::Key_Right), QKeySequence(Qt::Key_Forward)})
            .inPageMenu(PageMenu::InPlaceOfEngine, false, QWebEnginePage::Forward),
        command("ActZoomIn", QStringLiteral("放大(&I)"), QStringLiteral("放大网页"),
                [](const Context& c) { c.zoom->zoomIn(); }, hasTabs)
            .keys({QKeySequence(Qt::CTRL | Qt::Key_Equal), QKeySequence(Qt::CTRL | Qt::Key_Plus)})
            .inPageMenu(PageMenu::Always, true),
        command("ActZoomOut", QStringLiteral("缩小(&O)"), QStringLiteral("缩小网页"),
                [](const Context& c) { c.zoom->zoomOut(); }, hasTabs)
            .keys({QKeySequence(Qt::CTRL | Qt::Key_Minus)})
            .inPageMenu(PageMenu::Always),
        command("ActZoomReset", QStringLiteral("实际大小(&R)"),
                QStringLiteral("网页恢复原来的大小"), [](const Context& c) { c.zoom->reset(); },
                canResetZoom)
            .keys({QKeySequence(Qt::CTRL | Qt::Key_0)})
            .inPageMenu(PageMenu::Always),
        command("ActOpenInBrowser", QStringLiteral("在浏览器中打开本页"),
                QStringLiteral("用系统默认的浏览器打开本页"),
                [](const Context& c) { openInBrowser(c, TabHistory::browserAddress(viewOf(c))); },
                [](const Context& c) { return TabHistory::browserAddress(viewOf(c)).isValid(); })
            .inPageMenu(PageMenu::Always, true),
        command("ActOpenLinkInBrowser", QStringLiteral("在浏览器中打开链接"),
                QStringLiteral("用系统默认的浏览器打开这个链接"),
                [](const Context& c) { openInBrowser(c, TabHistory::linkAddress(viewOf(c))); },
                [](const Context& c) { return TabHistory::linkAddress(viewOf(c)).isValid(); })
            .inPageMenu(PageMenu::OnLink),
    };
}

} // namespace

const QList<Command>& commands()
{
    static const QList<Command> table = buildTable();
    return table;
}

const Command* find(const char* name)
{
    for (const Command& command : commands())
        if (qstrcmp(command.name, name) == 0)
            return &command;
    return nullptr;
}

bool isEnabled(const Command& command, const Context& context)
{
    if (command.webCommand != 0)
        return context.browser && context.browser->QueryStatusWB(command.webCommand) == available;
    return command.enabled && command.enabled(context);
}

QList<const Command*> inMenu(Menu menu)
{
    QList<const Command*> rows;
    for (const Command& command : commands())
        if (command.menu == menu)
            rows.append(&command);
    std::stable_sort(rows.begin(), rows.end(), [](const Command* a, const Command* b) {
        return a->menuSlot < b->menuSlot;
    });
    return rows;
}

QList<const Command*> onToolBar()
{
    QList<const Command*> rows;
    for (const Command& command : commands())
        if (command.button)
            rows.append(&command);
    std::stable_sort(rows.begin(), rows.end(), [](const Command* a, const Command* b) {
        return a->buttonSlot < b->buttonSlot;
    });
    return rows;
}

} // namespace CommandTable
