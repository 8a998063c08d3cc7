#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>
#include <QWebEnginePage>

class FindBar;
class PageZoom;
class QAction;
class QToolButton;
class QWidget;
class TfrmMain;
class TWebBrowser;

// The main window's commands on the result pages and tabs, one row each. The action list,
// the menus, the tool bar, the page's own menu and the rule that enables the actions all
// read their part from here. The first twelve rows are the action list, in its order; they
// have no keys, and their menu entries and tool buttons keep their places.
namespace CommandTable {

enum class Menu { None, File, Edit };

// Where a command shows in a page's own menu: in place of the engine's entry of the same
// meaning, wherever the engine offers one; on every page; or where a link is clicked.
enum class PageMenu { None, InPlaceOfEngine, Always, OnLink };

// What a command's rule, and a command beyond the action list, see of the window: its
// tabs, its active page and the units those commands belong to.
struct Context {
    int tabCount = 0;
    int activeIndex = -1;
    TWebBrowser* browser = nullptr; // the active tab's view; none when no tab has one
    PageZoom* zoom = nullptr;
    FindBar* findBar = nullptr;
    QWidget* window = nullptr; // owns what a command shows
};

// The action list's commands are the window's handlers.
using Handler = void (TfrmMain::*)(QObject*);
// The others are carried out by the unit they belong to.
using Run = void (*)(const Context& context);
// Whether the command can run now.
using Rule = bool (*)(const Context& context);

struct Command {
    const char* name; // the action's object name
    QString caption;
    QString hint; // tool tip and status text; empty for none
    QList<QKeySequence> keys;
    int glyph = -1; // index into the window's image list; -1 for none
    Handler execute = nullptr; // for the action list's twelve
    Run run = nullptr;         // for the others
    // A page command the web view carries out itself (QueryStatusWB / ExecWB), or 0.
    int webCommand = 0;
    // For the others: when it is enabled.
    Rule enabled = nullptr;
    // The window's member that holds the action, for the action list's twelve.
    QAction* TfrmMain::*field = nullptr;

    Menu menu = Menu::None;
    int menuSlot = 0; // order within its menu
    bool separatorBefore = false; // a line before it, in whichever menu it shows

    QToolButton* TfrmMain::*button = nullptr;
    const char* buttonName = nullptr;
    int buttonSlot = 0; // order on the tool bar

    PageMenu pageMenu = PageMenu::None;
    QWebEnginePage::WebAction engineAction = QWebEnginePage::NoWebAction;
};

const QList<Command>& commands();

// The row whose action object is called name; nullptr for none.
const Command* find(const char* name);

// Whether the row's command can run now. A web view's failure to answer is raised.
bool isEnabled(const Command& command, const Context& context);

// The rows in a menu, or on the tool bar, in their order there.
QList<const Command*> inMenu(Menu menu);
QList<const Command*> onToolBar();

} // namespace CommandTable
