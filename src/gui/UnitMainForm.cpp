// How the main window is put together: its actions, controls and menus, in the order the
// design builds them, and the handler each of their events reaches. What the handlers do
// is in UnitMain.cpp.
#include "UnitMain.h"

#include "Accessibility.h"
#include "Application.h"
#include "BarScroller.h"
#include "CaretRest.h"
#include "CommandTable.h"
#include "CoolBar.h"
#include "DockDrag.h"
#include "FindBar.h"
#include "Glyphs.h"
#include "PageFocus.h"
#include "PageZoom.h"
#include "QueryBox.h"
#include "ResultTabs.h"
#include "Unit2.h"
#include "WebBrowser.h"

#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QStatusBar>
#include <QStyleOptionViewItem>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Disabled menu entries still take the highlight, and so show their hints, as on Windows.
class MenuStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_Menu_AllowActiveAndDisabled)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

// Every action comes from its row of the command table; the action list holds the twelve
// that have a place of their own in the window's members.
void TfrmMain::buildActions()
{
    m_zoom = new PageZoom(this);
    for (const CommandTable::Command& command : CommandTable::commands()) {
        auto* action = new QAction(command.caption, this);
        action->setObjectName(QLatin1String(command.name));
        action->setToolTip(command.hint);
        action->setStatusTip(command.hint);
        if (command.glyph >= 0)
            action->setIcon(ImageList1.value(command.glyph));
        action->setEnabled(false);
        if (!command.keys.isEmpty()) {
            action->setShortcuts(command.keys);
            // The keys work wherever the window has the keyboard, in the pages too.
            addAction(action);
        }
        m_commandActions.append(action);
        if (command.field) {
            this->*command.field = action;
            ActionList1.append(action);
        }
    }
}

QAction* TfrmMain::commandAction(const CommandTable::Command* command) const
{
    return m_commandActions.value(int(command - CommandTable::commands().data()));
}

void TfrmMain::addMenuCommands(QMenu* menu, CommandTable::Menu which)
{
    for (const CommandTable::Command* command : CommandTable::inMenu(which)) {
        if (command->separatorBefore && !menu->isEmpty())
            menu->addSeparator();
        menu->addAction(commandAction(command));
    }
}

void TfrmMain::buildControls()
{
    auto* windowLayout = new QVBoxLayout(this);
    windowLayout->setContentsMargins(0, 0, 0, 0);
    windowLayout->setSpacing(0);
    // The window is never smaller than its bars, unless the screen is: the mode box, the
    // query box, the search button and every source name stay in sight at any size the
    // window can take, or scroll into sight on a screen too narrow for them.
    windowLayout->setSizeConstraint(QLayout::SetMinimumSize);

    auto* bars = new BarScroller(this);
    bars->setObjectName(QStringLiteral("Bars"));
    CoolBar1 = new TCoolBar(bars);
    CoolBar1->setObjectName(QStringLiteral("CoolBar1"));
    // Frames inside the window are groups to a screen reader, not windows of their own.
    Accessibility::setRole(CoolBar1, QAccessible::Grouping);
    bars->setWidget(CoolBar1);
    windowLayout->addWidget(bars);

    ToolBar1 = new QMenuBar(CoolBar1);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setNativeMenuBar(false);
    CoolBar1->addBand(ToolBar1);

    ToolBar2 = new QToolBar(CoolBar1);
    ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    ToolBar2->setMovable(false);
    ToolBar2->setFloatable(false);
    ToolBar2->setIconSize(QSize(16, 16));
    ToolBar2->setMinimumHeight(24);
    ToolBar2->setToolButtonStyle(Qt::ToolButtonIconOnly);
    Docking::setDragMode(ToolBar2, Docking::DragMode::Automatic);
    ToolBar2->setAccessibleName(QStringLiteral("标准按钮"));
    if (auto* more = ToolBar2->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(QStringLiteral("更多按钮"));
    auto addButton = [this](const char* name, QAction* action) {
        auto* button = new QToolButton(ToolBar2);
        button->setObjectName(QLatin1String(name));
        button->setDefaultAction(action);
        // Heard as its hint reads, never by a caption that is not shown.
        button->setAccessibleName(action->toolTip());
        button->setAutoRaise(true);
        button->setFixedWidth(28);
        ToolBar2->addWidget(button);
        return button;
    };
    for (const CommandTable::Command* command : CommandTable::onToolBar())
        this->*command->button = addButton(command->buttonName, commandAction(command));

    Panel1 = new QFrame(ToolBar2);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setFixedSize(417, 22);
    Accessibility::setRole(Panel1, QAccessible::Grouping);
    CmbBoxType = new QComboBox(Panel1);
    CmbBoxType->setObjectName(QStringLiteral("CmbBoxType"));
    // Named before its items come in: a screen reader may ask about it as they do.
    CmbBoxType->setAccessibleName(QStringLiteral("查询类型"));
    CmbBoxType->addItems(Lookup::modeTexts());
    CmbBoxType->setCurrentIndex(-1);
    CmbBoxType->setGeometry(96, 1, 145, 20);
    Label2 = new QLabel(QStringLiteral("查询："), Panel1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(252, 1, 36, 20);
    CmbBook = new QComboBox(Panel1);
    CmbBook->setObjectName(QStringLiteral("CmbBook"));
    Label2->setBuddy(CmbBook);
    // Heard as its label reads, without the colon.
    CmbBook->setAccessibleName(Label2->text().remove(QChar(u'：')));
    CmbBook->setEditable(true);
    // Searches decide what enters the history, not the combo box.
    CmbBook->setInsertPolicy(QComboBox::NoInsert);
    QueryBox::keepOneLine(CmbBook);
    // Terms compare exactly; a case-blind completer would put "abc" in the box when the
    // user searched "ABC".
    CmbBook->completer()->setCaseSensitivity(Qt::CaseSensitive);
    CmbBook->setGeometry(288, 1, 128, 20);
    CmbBook->lineEdit()->setAccessibleName(CmbBook->accessibleName());
    QWidget::setTabOrder(CmbBook, CmbBoxType);
    ToolBar2->addWidget(Panel1);

    BtnBookOK = new QToolButton(ToolBar2);
    BtnBookOK->setObjectName(QStringLiteral("BtnBookOK"));
    BtnBookOK->setIcon(ImageList1.value(9));
    BtnBookOK->setToolTip(QStringLiteral("查询"));
    BtnBookOK->setStatusTip(QStringLiteral("查询"));
    BtnBookOK->setAccessibleName(BtnBookOK->toolTip());
    BtnBookOK->setAutoRaise(true);
    BtnBookOK->setFixedWidth(28);
    ToolBar2->addWidget(BtnBookOK);
    CoolBar1->addBand(ToolBar2);

    PnlBook = new QWidget(CoolBar1);
    PnlBook->setObjectName(QStringLiteral("PnlBook"));
    PnlBook->setFixedHeight(25);
    auto* bookLayout = new QVBoxLayout(PnlBook);
    bookLayout->setContentsMargins(0, 0, 0, 0);
    bookLayout->addStretch();
    CkLstBookshop = new QListWidget(PnlBook);
    CkLstBookshop->setObjectName(QStringLiteral("CkLstBookshop"));
    CkLstBookshop->setFlow(QListView::LeftToRight);
    CkLstBookshop->setFrameShape(QFrame::NoFrame);
    CkLstBookshop->setFixedHeight(18);
    CkLstBookshop->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    CkLstBookshop->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    CkLstBookshop->setBackgroundRole(QPalette::Midlight);
    CkLstBookshop->addItem(QStringLiteral("CkLstBookshop"));
    CkLstBookshop->setAccessibleName(QStringLiteral("百科来源"));
    CkLstBookshop->installEventFilter(this);
    bars->followCurrentItem(CkLstBookshop);
    bookLayout->addWidget(CkLstBookshop);
    CoolBar1->addBand(PnlBook);

    Panel2 = new QFrame(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Accessibility::setRole(Panel2, QAccessible::Grouping);
    auto* resultArea = new QGridLayout(Panel2);
    resultArea->setContentsMargins(1, 1, 1, 1);
    PnlWbAD = new QWidget(Panel2);
    PnlWbAD->setObjectName(QStringLiteral("PnlWbAD"));
    auto* bannerLayout = new QVBoxLayout(PnlWbAD);
    bannerLayout->setContentsMargins(0, 0, 0, 0);
    WbAd = new TWebBrowser(m_pageSettings, PnlWbAD);
    WbAd->setObjectName(QStringLiteral("WbAd"));
    Accessibility::setRole(WbAd, QAccessible::Grouping);
    WbAd->setAccessibleName(QStringLiteral("横幅"));
    bannerLayout->addWidget(WbAd);
    PageControl1 = new QTabWidget(Panel2);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setAccessibleName(QStringLiteral("查询结果"));
    // Tabs keep their captions whole, whatever the desktop's style or font: the strip
    // scrolls instead.
    PageControl1->setElideMode(Qt::ElideNone);
    PageControl1->setUsesScrollButtons(true);
    // The tab strip is wider than its tabs; the banner behind must not show through.
    PageControl1->setAutoFillBackground(true);
    // Both fill the result area; the tabs lie in front of the banner.
    resultArea->addWidget(PnlWbAD, 0, 0);
    resultArea->addWidget(PageControl1, 0, 0);
    PageControl1->raise();
    m_tabs = new ResultTabs(this, PageControl1, PnlWbAD, CmbBook, m_pageSettings, m_zoom);
    m_findBar = new FindBar(
        [this] { return TWebBrowser::engineViewOf(GetActiveWebBrowser()); }, Panel2);
    m_findBar->setObjectName(QStringLiteral("FindBar"));
    m_findBar->hide();
    resultArea->addWidget(m_findBar, 1, 0);
    windowLayout->addWidget(Panel2, 1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setFixedHeight(19);
    StatusBar1->setSizeGripEnabled(false);
    StatusPanel0 = new QLabel(StatusBar1);
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    StatusPanel0->setFixedWidth(300);
    StatusPanel1 = new QLabel(StatusBar1);
    StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    StatusPanel1->setFixedWidth(50);
    StatusBar1->addWidget(StatusPanel0);
    StatusBar1->addWidget(StatusPanel1);
    windowLayout->addWidget(StatusBar1);
}

void TfrmMain::buildMenu()
{
    File1 = ToolBar1->addMenu(QStringLiteral("文件(&F)"));
    File1->setObjectName(QStringLiteral("File1"));
    addMenuCommands(File1, CommandTable::Menu::File);
    File1->addSeparator();
    mnuExit = File1->addAction(QStringLiteral("退出(&X)"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));

    E2 = ToolBar1->addMenu(QStringLiteral("编辑(&E)"));
    E2->setObjectName(QStringLiteral("E2"));
    addMenuCommands(E2, CommandTable::Menu::Edit);

    N3 = ToolBar1->addMenu(QStringLiteral("查看(&V)"));
    N3->setObjectName(QStringLiteral("N3"));
    NViewStatusBar = N3->addAction(QStringLiteral("状态栏(&B)"));
    NViewStatusBar->setObjectName(QStringLiteral("NViewStatusBar"));
    NViewStatusBar->setCheckable(true);
    NViewStatusBar->setChecked(true);
    NViewToolBar = N3->addAction(QStringLiteral("标准按钮(&T)"));
    NViewToolBar->setObjectName(QStringLiteral("NViewToolBar"));
    NViewToolBar->setCheckable(true);
    NViewToolBar->setChecked(true);
    buildColourMenu();
    buildReadyMenu();

    auto* menuStyle = new MenuStyle(QApplication::style()->name());
    menuStyle->setParent(this);
    for (QMenu* menu : {File1, E2})
        menu->setStyle(menuStyle);
}

void TfrmMain::buildColourMenu()
{
    N3->addSeparator();
    auto* choices = new QActionGroup(this);
    const auto choice = [&](const char* name, const QString& caption) {
        QAction* action = N3->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setCheckable(true);
        choices->addAction(action);
        return action;
    };
    NViewFollowDesktop = choice("NViewFollowDesktop", QStringLiteral("跟随系统"));
    NViewLight = choice("NViewLight", QStringLiteral("浅色"));
    NViewDark = choice("NViewDark", QStringLiteral("深色"));
    N3->addSeparator();
    NViewDarkPages = N3->addAction(QStringLiteral("网页也使用深色"));
    NViewDarkPages->setObjectName(QStringLiteral("NViewDarkPages"));
    NViewDarkPages->setCheckable(true);
    NViewDarkPages->setStatusTip(QStringLiteral("深色配色时，没有深色样式的网页也显示为深色"));
}

void TfrmMain::bindAction(QAction* action, const CommandTable::Command& command)
{
    connect(action, &QAction::triggered, this, [this, action, &command] {
        App::guarded([&] {
            // One more refresh right before the command: it runs only if still possible.
            bool handled = false;
            ActionList1Update(action, handled);
            if (!action->isEnabled())
                return;
            if (command.execute)
                (this->*command.execute)(action);
            else
                command.run(commandContext());
        });
    });
}

void TfrmMain::bindEvents()
{
    for (const CommandTable::Command& command : CommandTable::commands())
        bindAction(commandAction(&command), command);

    App::connectGuarded(mnuExit, &QAction::triggered, this, &TfrmMain::mnuExitClick);
    App::connectGuarded(NViewStatusBar, &QAction::triggered, this, &TfrmMain::NViewStatusBarClick);
    App::connectGuarded(NViewToolBar, &QAction::triggered, this, &TfrmMain::NViewToolBarClick);
    App::connectGuarded(CmbBoxType, &QComboBox::activated, this, &TfrmMain::CmbBoxTypeChange);
    App::connectGuarded(CkLstBookshop, &QListWidget::itemChanged, this,
                        &TfrmMain::CkLstBookshopClick);
    App::connectGuarded(BtnBookOK, &QToolButton::clicked, this, &TfrmMain::BtnBookOKClick);
    connect(new QueryBoxEnter(CmbBook), &QueryBoxEnter::entered, this,
            [this] { App::guarded([this] { CmbBookKeyPress(CmbBook, QChar(13)); }); });

    m_docking = new DockDrag(
        CoolBar1, ToolBar2,
        {[this](QWidget* source, bool& accept, QRect& dockRect) {
             App::guarded([&] { CoolBar1DockOver(CoolBar1, source, accept, dockRect); });
         },
         [this](QWidget* source) {
             App::guarded([&] { CoolBar1DockDrop(CoolBar1, source); });
         },
         [this] {
             // A window of the main window's: the window manager keeps it above
             // the main window, and only above it.
             return new TfrmFloating(this);
         },
         [](QWidget* host, QWidget* control) {
             auto* window = static_cast<TfrmFloating*>(host);
             App::guarded([&] { window->FormDockDrop(window, control); });
         }},
        this);
    new CaretRest(this);
    new PageFocus(this);
    // The program ends with the main window. A floating window, which refuses to close,
    // would stop the application from quitting, so it goes out of the way first.
    connect(this, &TfrmMain::closed, this, [this] {
        for (QWidget* window : m_docking->hosts())
            window->hide();
    });

    // The action states follow every change that can alter them.
    connect(m_tabs, &ResultTabs::changed, this, &TfrmMain::scheduleActionUpdate);
    for (QMenu* menu : {File1, E2})
        connect(menu, &QMenu::aboutToShow, this, &TfrmMain::refreshActions);
    // The find bar follows the active page; it goes when the tabs give way to the banner.
    connect(PageControl1, &QTabWidget::currentChanged, m_findBar, &FindBar::activePageChanged);
    connect(m_tabs, &ResultTabs::areaChanged, m_findBar, [this](bool tabsShown) {
        if (!tabsShown)
            m_findBar->close();
    });
    connect(m_zoom, &PageZoom::changed, this, &TfrmMain::showZoom);
    connect(m_zoom, &PageZoom::limitReached, this, &TfrmMain::showZoomLimit);
    connect(m_tabs, &ResultTabs::activeLoadingChanged, this, &TfrmMain::showLoading);
    // What the pages ask of the window: its back and forward commands, its page menu, and
    // the find bar's marks in a page that has loaded anew.
    const auto trigger = [this](const char* name) {
        if (QAction* action = commandAction(CommandTable::find(name)))
            action->trigger();
    };
    connect(m_tabs, &ResultTabs::backRequested, this, [trigger] { trigger("ActBack"); });
    connect(m_tabs, &ResultTabs::forwardRequested, this, [trigger] { trigger("ActForward"); });
    connect(m_tabs, &ResultTabs::pageMenuAboutToShow, this,
            [this](TWebBrowser* browser, QMenu* menu) {
                App::guarded([&] { fillPageMenu(browser, menu); });
            });
    connect(m_tabs, &ResultTabs::activePageLoaded, m_findBar, &FindBar::activePageLoaded);
}

// The sources stand side by side and share the list's width: each column holds its name in
// full at the list's font, and what is left is shared out evenly. The list asks for room
// for all the names.
void TfrmMain::fitSourceColumns()
{
    const int count = CkLstBookshop->count();
    if (count == 0)
        return;
    QStyleOptionViewItem option;
    option.initFrom(CkLstBookshop);
    option.font = CkLstBookshop->font();
    option.fontMetrics = QFontMetrics(option.font);
    option.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasCheckIndicator;
    QList<int> widths;
    int needed = 0;
    int height = 13;
    for (int i = 0; i < count; ++i) {
        option.text = CkLstBookshop->item(i)->text();
        const QSize size = CkLstBookshop->style()->sizeFromContents(QStyle::CT_ItemViewItem,
                                                                    &option, QSize(), CkLstBookshop);
        widths.append(size.width());
        needed += size.width();
        height = qMax(height, size.height());
    }
    CkLstBookshop->setMinimumWidth(needed);
    CkLstBookshop->setFixedHeight(qMax(18, height));
    PnlBook->setFixedHeight(qMax(25, CkLstBookshop->height() + 7));
    const int spare = qMax(0, CkLstBookshop->contentsRect().width() - needed) / count;
    for (int i = 0; i < count; ++i)
        CkLstBookshop->item(i)->setSizeHint(QSize(widths[i] + spare, height));
}
