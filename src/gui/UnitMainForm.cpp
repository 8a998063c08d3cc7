// How the main window is put together: its actions, controls and menus, in the order the
// design builds them, and the handler each of their events reaches. What the handlers do
// is in UnitMain.cpp.
#include "UnitMain.h"

#include "Application.h"
#include "CaretRest.h"
#include "CoolBar.h"
#include "DockDrag.h"
#include "Glyphs.h"
#include "ResultTabs.h"
#include "Unit2.h"
#include "WebBrowser.h"

#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QLabel>
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

QAction* TfrmMain::makeAction(const char* name, const QString& caption, const QString& hint,
                              int image)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(QLatin1String(name));
    action->setToolTip(hint.isEmpty() ? QString() : hint);
    action->setStatusTip(hint);
    if (image >= 0)
        action->setIcon(ImageList1.value(image));
    action->setEnabled(false);
    ActionList1.append(action);
    return action;
}

void TfrmMain::buildActions()
{
    ActPrior = makeAction("ActPrior", QStringLiteral("ActPrior"), QStringLiteral("前一页"), 0);
    ActNext = makeAction("ActNext", QStringLiteral("ActNext"), QStringLiteral("后一页"), 1);
    ActClose = makeAction("ActClose", QStringLiteral("关闭当前页(&C)"), QStringLiteral("关闭当前页"), 2);
    ActCloseAll = makeAction("ActCloseAll", QStringLiteral("关闭所有页"), QStringLiteral("关闭所有页"), 7);
    ActSave = makeAction("ActSave", QStringLiteral("保存(&S)"), QStringLiteral("保存"), 5);
    ActPreview = makeAction("ActPreview", QStringLiteral("打印预览"), QStringLiteral("打印预览"), 6);
    ActPrint = makeAction("ActPrint", QStringLiteral("打印(&P)"), QStringLiteral("打印"), 4);
    ActPageSetup = makeAction("ActPageSetup", QStringLiteral("页面设置"), QString(), -1);
    ActCopy = makeAction("ActCopy", QStringLiteral("复制(&C)"), QString(), -1);
    ActCut = makeAction("ActCut", QStringLiteral("剪切(&X)"), QString(), -1);
    ActPaste = makeAction("ActPaste", QStringLiteral("粘贴(&P)"), QString(), -1);
    ActSelectAll = makeAction("ActSelectAll", QStringLiteral("全选(&A)"), QString(), -1);
}

void TfrmMain::buildControls()
{
    auto* windowLayout = new QVBoxLayout(this);
    windowLayout->setContentsMargins(0, 0, 0, 0);
    windowLayout->setSpacing(0);
    // The window is never smaller than its bars: the mode box, the query box, the search
    // button and every source name stay in sight at any size the window can take.
    windowLayout->setSizeConstraint(QLayout::SetMinimumSize);

    CoolBar1 = new TCoolBar(this);
    CoolBar1->setObjectName(QStringLiteral("CoolBar1"));
    windowLayout->addWidget(CoolBar1);

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
    auto addButton = [this](const char* name, QAction* action) {
        auto* button = new QToolButton(ToolBar2);
        button->setObjectName(QLatin1String(name));
        button->setDefaultAction(action);
        button->setAutoRaise(true);
        button->setFixedWidth(28);
        ToolBar2->addWidget(button);
        return button;
    };
    ToolButton1 = addButton("ToolButton1", ActPrior);
    ToolButton2 = addButton("ToolButton2", ActNext);
    ToolButton3 = addButton("ToolButton3", ActClose);
    ToolButton8 = addButton("ToolButton8", ActCloseAll);
    ToolButton5 = addButton("ToolButton5", ActPrint);
    ToolButton6 = addButton("ToolButton6", ActSave);
    ToolButton7 = addButton("ToolButton7", ActPreview);

    Panel1 = new QFrame(ToolBar2);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setFixedSize(417, 22);
    CmbBoxType = new QComboBox(Panel1);
    CmbBoxType->setObjectName(QStringLiteral("CmbBoxType"));
    CmbBoxType->addItems(Lookup::modeTexts());
    CmbBoxType->setCurrentIndex(-1);
    CmbBoxType->setGeometry(96, 1, 145, 20);
    Label2 = new QLabel(QStringLiteral("查询："), Panel1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(252, 1, 36, 20);
    CmbBook = new QComboBox(Panel1);
    CmbBook->setObjectName(QStringLiteral("CmbBook"));
    CmbBook->setEditable(true);
    // Searches decide what enters the history, not the combo box.
    CmbBook->setInsertPolicy(QComboBox::NoInsert);
    // Terms compare exactly; a case-blind completer would put "abc" in the box when the
    // user searched "ABC".
    CmbBook->completer()->setCaseSensitivity(Qt::CaseSensitive);
    CmbBook->setGeometry(288, 1, 128, 20);
    QWidget::setTabOrder(CmbBook, CmbBoxType);
    ToolBar2->addWidget(Panel1);

    BtnBookOK = new QToolButton(ToolBar2);
    BtnBookOK->setObjectName(QStringLiteral("BtnBookOK"));
    BtnBookOK->setIcon(ImageList1.value(9));
    BtnBookOK->setToolTip(QStringLiteral("查询"));
    BtnBookOK->setStatusTip(QStringLiteral("查询"));
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
    CkLstBookshop->installEventFilter(this);
    bookLayout->addWidget(CkLstBookshop);
    CoolBar1->addBand(PnlBook);

    Panel2 = new QFrame(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* resultArea = new QGridLayout(Panel2);
    resultArea->setContentsMargins(1, 1, 1, 1);
    PnlWbAD = new QWidget(Panel2);
    PnlWbAD->setObjectName(QStringLiteral("PnlWbAD"));
    auto* bannerLayout = new QVBoxLayout(PnlWbAD);
    bannerLayout->setContentsMargins(0, 0, 0, 0);
    WbAd = new TWebBrowser(m_pageSettings, PnlWbAD);
    WbAd->setObjectName(QStringLiteral("WbAd"));
    bannerLayout->addWidget(WbAd);
    PageControl1 = new QTabWidget(Panel2);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    // The tab strip is wider than its tabs; the banner behind must not show through.
    PageControl1->setAutoFillBackground(true);
    // Both fill the result area; the tabs lie in front of the banner.
    resultArea->addWidget(PnlWbAD, 0, 0);
    resultArea->addWidget(PageControl1, 0, 0);
    PageControl1->raise();
    m_tabs = new ResultTabs(this, PageControl1, PnlWbAD, CmbBook, m_pageSettings);
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
    File1->addAction(ActClose);
    File1->addAction(ActCloseAll);
    File1->addSeparator();
    File1->addAction(ActSave);
    File1->addSeparator();
    File1->addAction(ActPageSetup);
    File1->addAction(ActPreview);
    File1->addAction(ActPrint);
    File1->addSeparator();
    mnuExit = File1->addAction(QStringLiteral("退出(&X)"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));

    E2 = ToolBar1->addMenu(QStringLiteral("编辑(&E)"));
    E2->setObjectName(QStringLiteral("E2"));
    E2->addAction(ActCopy);
    E2->addAction(ActCut);
    E2->addAction(ActPaste);
    E2->addSeparator();
    E2->addAction(ActSelectAll);

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

    auto* menuStyle = new MenuStyle(QApplication::style()->name());
    menuStyle->setParent(this);
    for (QMenu* menu : {File1, E2, N3})
        menu->setStyle(menuStyle);
}

void TfrmMain::bindAction(QAction* action, void (TfrmMain::*handler)(QObject*))
{
    connect(action, &QAction::triggered, this, [this, action, handler] {
        App::guarded([&] {
            // One more refresh right before the command: it runs only if still possible.
            bool handled = false;
            ActionList1Update(action, handled);
            if (action->isEnabled())
                (this->*handler)(action);
        });
    });
}

void TfrmMain::bindEvents()
{
    bindAction(ActPrior, &TfrmMain::ActPriorExecute);
    bindAction(ActNext, &TfrmMain::ActNextExecute);
    bindAction(ActClose, &TfrmMain::ActCloseExecute);
    bindAction(ActCloseAll, &TfrmMain::ActCloseAllExecute);
    bindAction(ActSave, &TfrmMain::ActSaveExecute);
    bindAction(ActPreview, &TfrmMain::ActPreviewExecute);
    bindAction(ActPrint, &TfrmMain::ActPrintExecute);
    bindAction(ActPageSetup, &TfrmMain::ActPageSetupExecute);
    bindAction(ActCopy, &TfrmMain::ActCopyExecute);
    bindAction(ActCut, &TfrmMain::ActCutExecute);
    bindAction(ActPaste, &TfrmMain::ActPasteExecute);
    bindAction(ActSelectAll, &TfrmMain::ActSelectAllExecute);

    App::connectGuarded(mnuExit, &QAction::triggered, this, &TfrmMain::mnuExitClick);
    App::connectGuarded(NViewStatusBar, &QAction::triggered, this, &TfrmMain::NViewStatusBarClick);
    App::connectGuarded(NViewToolBar, &QAction::triggered, this, &TfrmMain::NViewToolBarClick);
    App::connectGuarded(CmbBoxType, &QComboBox::activated, this, &TfrmMain::CmbBoxTypeChange);
    App::connectGuarded(CkLstBookshop, &QListWidget::itemChanged, this,
                        &TfrmMain::CkLstBookshopClick);
    App::connectGuarded(BtnBookOK, &QToolButton::clicked, this, &TfrmMain::BtnBookOKClick);
    CmbBook->installEventFilter(this);
    // While the history list is open, the keys go to the list instead of the query box.
    m_historyList = CmbBook->view();
    m_historyList->installEventFilter(this);

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
