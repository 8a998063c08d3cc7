#include "UnitMain.h"

#include "AnsiCodec.h"
#include "Application.h"
#include "CaretRest.h"
#include "CoolBar.h"
#include "DockDrag.h"
#include "Error.h"
#include "Glyphs.h"
#include "PageSettings.h"
#include "ProfileFile.h"
#include "QueryHistory.h"
#include "Unit2.h"
#include "WebBrowser.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyleOptionViewItem>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

namespace {

const QByteArray formSection = "Form";
const QByteArray dictionarySection = "Dictionary";
constexpr int designedWidth = 729;
constexpr int designedHeight = 528;
constexpr int available = OleCmd::Supported | OleCmd::Enabled;
constexpr int historyRole = Qt::UserRole;

// The primary screen need not start at (0, 0) of the desktop.
QRect primaryScreenGeometry()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, designedWidth, designedHeight);
}

QSize primaryScreenSize()
{
    return primaryScreenGeometry().size();
}

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

QString TfrmMain::bannerAddress()
{
    return QStringLiteral("http://") + bannerHost + QStringLiteral("/soft/Veritome.aspx?ver=1.8");
}

TfrmMain::TfrmMain(const QString& appFolder, QWidget* parent)
    : QWidget(parent), m_appFolder(appFolder), m_pageSettings(std::make_shared<PageSettings>())
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("frmMain"));
    setWindowIcon(Glyphs::mainIcon());
    resize(designedWidth, designedHeight);
    ImageList1 = Glyphs::imageList();
    buildActions();
    buildControls();
    buildMenu();
    bindEvents();
    App::guarded([this] { FormCreate(); });
}

TfrmMain::~TfrmMain()
{
    // Floating tool bar windows go first, the newest first.
    for (auto window = m_floatingWindows.crbegin(); window != m_floatingWindows.crend(); ++window)
        delete window->data();
}

QString TfrmMain::historyPath() const
{
    return QDir(m_appFolder).filePath(QueryHistory::fileName);
}

QString TfrmMain::settingsPath() const
{
    return QDir(m_appFolder).filePath(settingsFileName);
}

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

    connect(mnuExit, &QAction::triggered, this, [this] { App::guarded([this] { mnuExitClick(mnuExit); }); });
    connect(NViewStatusBar, &QAction::triggered, this,
            [this] { App::guarded([this] { NViewStatusBarClick(NViewStatusBar); }); });
    connect(NViewToolBar, &QAction::triggered, this,
            [this] { App::guarded([this] { NViewToolBarClick(NViewToolBar); }); });
    connect(CmbBoxType, &QComboBox::activated, this,
            [this] { App::guarded([this] { CmbBoxTypeChange(CmbBoxType); }); });
    connect(CkLstBookshop, &QListWidget::itemChanged, this,
            [this] { App::guarded([this] { CkLstBookshopClick(CkLstBookshop); }); });
    connect(BtnBookOK, &QToolButton::clicked, this,
            [this] { App::guarded([this] { BtnBookOKClick(BtnBookOK); }); });
    CmbBook->installEventFilter(this);
    // While the history list is open, the keys go to the list instead of the query box.
    CmbBook->view()->installEventFilter(this);

    new DockDrag(CoolBar1, ToolBar2,
                 {[this](QWidget* source, bool& accept, QRect& dockRect) {
                      App::guarded([&] { CoolBar1DockOver(CoolBar1, source, accept, dockRect); });
                  },
                  [this](QWidget* source) {
                      App::guarded([&] { CoolBar1DockDrop(CoolBar1, source); });
                  },
                  [this] {
                      // A window of the main window's: the window manager keeps it above
                      // the main window, and only above it.
                      auto* window = new TfrmFloating(this);
                      m_floatingWindows.append(window);
                      return window;
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
        for (const QPointer<TfrmFloating>& window : m_floatingWindows)
            if (window)
                window->hide();
    });

    // The action states follow every change that can alter them.
    connect(PageControl1, &QTabWidget::currentChanged, this, &TfrmMain::scheduleActionUpdate);
    for (QMenu* menu : {File1, E2})
        connect(menu, &QMenu::aboutToShow, this, &TfrmMain::refreshActions);

    connect(WbAd, &TWebBrowser::DocumentComplete, this, [this](bool ok) {
        // A banner that cannot be reached gives way to the built-in start page, once.
        if (m_bannerFallbackTried)
            return;
        m_bannerFallbackTried = true;
        if (!ok)
            App::guarded([this] { WbAd->Navigate(startPageAddress); });
    });
}

// ---------------------------------------------------------------- start-up and close

void TfrmMain::FormCreate()
{
    PageSerial = 0;
    IniFile = std::make_unique<ProfileFile>(settingsPath());

    const QSize screen = primaryScreenSize();
    int width = IniFile->readInteger(formSection, "Width", designedWidth);
    if (width < 10 || width > screen.width())
        width = screen.width();
    int height = IniFile->readInteger(formSection, "height", designedHeight);
    if (height < 10 || height > screen.height() + 10)
        height = screen.height();
    applyOuterSize(QSize(width, height));

    Bookshops = Lookup::bookshops();
    setWindowTitle(App::title);

    CkLstBookshop->clear();
    try {
        setHistory(QueryHistory::load(historyPath()));
        m_historyLoaded = true;
    } catch (...) {
        // An unreadable history is reported, and the rest of the start-up still runs.
        App::showCurrentException();
    }
    for (const Lookup::Bookshop& source : Bookshops) {
        auto* item = new QListWidgetItem(source.displayName);
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
        item->setCheckState(Qt::Checked);
        CkLstBookshop->addItem(item);
    }
    fitSourceColumns();

    m_hintHandlerInstalled = true;

    PageControl1->hide();
    PnlWbAD->show();
    // The engine's first navigation costs a noticeable part of the start-up; the window
    // shows first, the banner follows at once.
    m_bannerWaiting = true;
    QMetaObject::invokeMethod(this, [this] {
        if (!m_shown)
            navigateBanner();
    }, Qt::QueuedConnection);
}

void TfrmMain::navigateBanner()
{
    if (!m_bannerWaiting)
        return;
    m_bannerWaiting = false;
    App::guarded([this] { WbAd->Navigate(bannerAddress()); });
}

void TfrmMain::FormShow()
{
    const int id = IniFile ? IniFile->readInteger(dictionarySection, "ID", 0) : 0;
    CmbBoxType->setCurrentIndex(id >= 0 && id < CmbBoxType->count() ? id : -1);
    CmbBoxTypeChange(CmbBoxType);
}

void TfrmMain::FormClose()
{
    if (!IniFile)
        return;
    // A history that was not read whole would be saved over the user's terms.
    if (m_historyLoaded) {
        try {
            QueryHistory::save(historyPath(), historyItems());
        } catch (...) {
            // Nothing is said at close; the settings below are still written.
        }
    }
    try {
        const QSize outer = frameGeometry().size();
        IniFile->writeInteger(formSection, "width", outer.width());
        IniFile->writeInteger(formSection, "Height", outer.height());
        IniFile->writeInteger(dictionarySection, "ID", CmbBoxType->currentIndex());
    } catch (...) {
    }
    IniFile.reset();
}

// Qt sizes a window without its frame; the stored size includes it. A window manager frames
// the window on its own time after it is shown, and says so with no event of its own, so the
// size waits aside and is corrected the first time the window hears from the window system
// with a frame in place.
void TfrmMain::applyOuterSize(QSize outer)
{
    m_pendingOuterSize = outer;
    m_requestedSize = outer.shrunkBy(windowFrame());
    resize(m_requestedSize);
}

QMargins TfrmMain::windowFrame() const
{
    return windowHandle() ? windowHandle()->frameMargins() : QMargins();
}

void TfrmMain::correctForFrame()
{
    if (!m_pendingOuterSize)
        return;
    const QMargins frame = windowFrame();
    // While the window manager is still at work the margins can come out negative.
    if (frame.isNull() || frame.left() < 0 || frame.top() < 0 || frame.right() < 0
        || frame.bottom() < 0)
        return;
    // A size stored by a window that could still be made too small opens at the smallest
    // size that shows all its controls.
    const QSize client = m_pendingOuterSize->shrunkBy(frame).expandedTo(minimumSize());
    if (size() == client) {
        m_pendingOuterSize.reset();
        return;
    }
    // Ask once per frame: a window manager that will not have this size is not fought.
    if (client == m_requestedSize)
        return;
    m_requestedSize = client;
    resize(client);
}

// The first showing centres the window on the screen by its outer size. The position is set
// before the native window exists, so that it counts for the frame's corner: the window
// manager places the frame there once it has made one.
void TfrmMain::setVisible(bool visible)
{
    if (visible && !m_shown) {
        const QRect screen = primaryScreenGeometry();
        layout()->activate();
        const QSize outer = m_pendingOuterSize.value_or(size()).expandedTo(minimumSize());
        move(screen.topLeft()
             + QPoint((screen.width() - outer.width()) / 2, (screen.height() - outer.height()) / 2));
    }
    QWidget::setVisible(visible);
}

void TfrmMain::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    App::guarded([this] { FormShow(); });
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (m_closed)
        return;
    m_closed = true;
    FormClose();
    emit closed();
}

bool TfrmMain::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::StatusTip: {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        if (tip != m_hint) {
            m_hint = tip;
            if (m_hintHandlerInstalled)
                App::guarded([this] { ShowHint(this); });
        }
        return true;
    }
    case QEvent::Paint:
        // Painted for the first time: the banner's turn comes once this paint is done.
        if (m_bannerWaiting)
            QMetaObject::invokeMethod(this, &TfrmMain::navigateBanner, Qt::QueuedConnection);
        break;
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::UpdateRequest:
    case QEvent::WindowActivate:
        correctForFrame();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

// ---------------------------------------------------------------- frame handlers

void TfrmMain::ShowHint(QObject*)
{
    StatusPanel0->setText(m_hint);
}

void TfrmMain::mnuExitClick(QObject*)
{
    close();
}

// The menu has flipped the check mark already; the bar follows it.
void TfrmMain::NViewStatusBarClick(QObject*)
{
    StatusBar1->setVisible(NViewStatusBar->isChecked());
}

void TfrmMain::NViewToolBarClick(QObject*)
{
    if (TfrmFloating* host = floatingHost())
        host->setVisible(!host->isVisible());
    else
        ToolBar2->setVisible(NViewToolBar->isChecked());
}

TfrmFloating* TfrmMain::floatingHost() const
{
    return qobject_cast<TfrmFloating*>(ToolBar2->window());
}

// ---------------------------------------------------------------- look-up

void TfrmMain::CmbBoxTypeChange(QObject*)
{
    PnlBook->setVisible(CmbBoxType->currentText() == Lookup::encyclopaediaModeText);
}

void TfrmMain::CkLstBookshopClick(QObject*)
{
    BtnBookOK->setEnabled(false);
    for (int i = 0; i < 5 && i < CkLstBookshop->count(); ++i) {
        if (CkLstBookshop->item(i)->checkState() == Qt::Checked) {
            BtnBookOK->setEnabled(true);
            break;
        }
    }
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

bool TfrmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == CkLstBookshop
        && (event->type() == QEvent::Resize || event->type() == QEvent::FontChange
            || event->type() == QEvent::StyleChange))
        fitSourceColumns();
    // Enter in the open list puts the picked term into the box and searches at once,
    // as Enter in the box itself does. The list takes Enter before it is a key press, as it
    // would take a shortcut.
    if (watched == CmbBook->view()
        && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            const QModelIndex picked = CmbBook->view()->currentIndex();
            if (picked.isValid()) {
                CmbBook->setCurrentIndex(picked.row());
                CmbBook->setEditText(CmbBook->itemText(picked.row()));
            }
            CmbBook->hidePopup();
            App::guarded([&] { CmbBookKeyPress(CmbBook, QChar(13)); });
            return true;
        }
    }
    // Keys reach the combo box first; it hands them to its line edit directly. A key sent
    // to the line edit itself comes back to the combo box when the line edit leaves it, so
    // watching the combo box alone sees every Enter once.
    if (watched == CmbBook && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            App::guarded([&] { CmbBookKeyPress(CmbBook, QChar(13)); });
    }
    // The key goes on to the query box either way.
    return QWidget::eventFilter(watched, event);
}

void TfrmMain::CmbBookKeyPress(QObject* Sender, QChar Key)
{
    if (Key == QChar(13))
        BtnBookOKClick(Sender);
}

void TfrmMain::setHistory(const QList<QByteArray>& items)
{
    const QString editText = CmbBook->currentText();
    CmbBook->clear();
    for (const QByteArray& item : items)
        CmbBook->addItem(AnsiCodec::decode(item), item);
    CmbBook->setEditText(editText);
}

QList<QByteArray> TfrmMain::historyItems() const
{
    QList<QByteArray> items;
    items.reserve(CmbBook->count());
    for (int i = 0; i < CmbBook->count(); ++i)
        items.append(CmbBook->itemData(i, historyRole).toByteArray());
    return items;
}

void TfrmMain::rememberTerm()
{
    const QString term = CmbBook->currentText();
    // A term picked from the list is that item, with the bytes it was loaded with, even
    // where they are no valid text.
    const int picked = CmbBook->findText(term, Qt::MatchExactly | Qt::MatchCaseSensitive);
    const QByteArray bytes = picked >= 0 ? CmbBook->itemData(picked, historyRole).toByteArray()
                                         : AnsiCodec::encode(term);
    QList<QByteArray> items = historyItems();
    const int before = int(items.size());
    if (!QueryHistory::remember(items, bytes))
        return;
    if (items.size() == before)
        CmbBook->removeItem(0);
    CmbBook->addItem(term, items.last());
    CmbBook->setEditText(term);
}

void TfrmMain::BtnBookOKClick(QObject*)
{
    const QString term = CmbBook->currentText();
    if (Lookup::isBlankTerm(AnsiCodec::encode(term))) {
        App::showInformation(this, QStringLiteral("请输入要搜索的内容！"));
        return;
    }
    rememberTerm();
    PageControl1->show();
    CloseAllResultPages();

    switch (Lookup::modeFromText(CmbBoxType->currentText())) {
    case Lookup::Mode::Encyclopaedia:
        for (int i = 0; i < Bookshops.size(); ++i) {
            if (i >= CkLstBookshop->count())
                throw Error(QStringLiteral("List index out of bounds (%1)").arg(i));
            if (CkLstBookshop->item(i)->checkState() == Qt::Checked)
                openResultTab(Bookshops[i].displayName,
                              Lookup::encyclopaediaAddress(Bookshops[i], term), false);
        }
        break;
    case Lookup::Mode::IdiomDictionary:
        openResultTab(CmbBoxType->currentText(), Lookup::idiomDictionaryAddress(term), true);
        break;
    case Lookup::Mode::EnglishChineseDictionary:
        openResultTab(CmbBoxType->currentText(), Lookup::englishChineseDictionaryAddress(term),
                      true);
        break;
    }
}

void TfrmMain::openResultTab(const QString& caption, const QString& address, bool withAdFilter)
{
    QWidget* tab = AddResultPage();
    TWebBrowser* browser = CreateResultBrowser(tab, caption);
    browser->setParent(tab);
    // The layout shows the view once the search has returned: the first view to be seen
    // sets up its drawing then, instead of holding up the remaining navigations.
    tab->layout()->addWidget(browser);
    browser->setTag(PageSerial);
    if (withAdFilter)
        connect(browser, &TWebBrowser::BeforeNavigate2, this, &TfrmMain::BeforeNavigate2);
    connect(browser, &TWebBrowser::CommandStateChange, this, &TfrmMain::scheduleActionUpdate);
    browser->Navigate(address, {}, {}, {}, {});
}

void TfrmMain::BeforeNavigate2(const QString& url, bool* Cancel)
{
    *Cancel = url.contains(Lookup::advertisingPrefix, Qt::CaseSensitive);
}

// ---------------------------------------------------------------- result tabs

QWidget* TfrmMain::AddResultPage()
{
    ++PageSerial;
    auto* tab = new QWidget(this);
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);
    PageControl1->addTab(tab, QString());
    scheduleActionUpdate();
    return tab;
}

TWebBrowser* TfrmMain::CreateResultBrowser(QWidget* tab, const QString& caption)
{
    PageControl1->setTabText(PageControl1->indexOf(tab), caption);
    tab->setProperty("Tag", PageSerial);
    auto* browser = new TWebBrowser(m_pageSettings, this);
    browser->setResizable(true);
    browser->setSilent(true);
    return browser;
}

TWebBrowser* TfrmMain::GetActiveWebBrowser() const
{
    if (PageControl1->count() == 0)
        return nullptr;
    const int tag = PageControl1->currentWidget()->property("Tag").toInt();
    TWebBrowser* result = nullptr;
    for (TWebBrowser* browser : findChildren<TWebBrowser*>())
        if (browser->Tag() == tag)
            result = browser;
    return result;
}

// When the active tab goes, the one after it takes its place; after the last, the first.
void TfrmMain::destroyTab(int index)
{
    // Qt would pick the tab before the last one; the first is chosen beforehand instead,
    // so that no other page is shown on the way.
    if (index == PageControl1->currentIndex() && index == PageControl1->count() - 1 && index > 0)
        PageControl1->setCurrentIndex(0);
    QWidget* tab = PageControl1->widget(index);
    PageControl1->removeTab(index);
    delete tab;
    scheduleActionUpdate();
}

void TfrmMain::CloseAllResultPages()
{
    for (int i = PageControl1->count() - 1; i >= 0; --i)
        destroyTab(i);
}

void TfrmMain::RefreshResultArea()
{
    PageControl1->setVisible(PageControl1->count() > 0);
    PnlWbAD->setVisible(PageControl1->isHidden());
    // The focus went with the last tab; typing goes on in the query box.
    if (PageControl1->isHidden())
        CmbBook->setFocus(Qt::OtherFocusReason);
}

void TfrmMain::ActPriorExecute(QObject*)
{
    const int i = PageControl1->currentIndex();
    if (i > 0)
        PageControl1->setCurrentIndex(i - 1);
}

void TfrmMain::ActNextExecute(QObject*)
{
    const int i = PageControl1->currentIndex();
    if (i < PageControl1->count() - 1)
        PageControl1->setCurrentIndex(i + 1);
}

void TfrmMain::ActCloseExecute(QObject*)
{
    try {
        delete GetActiveWebBrowser();
        if (PageControl1->count() > 0)
            destroyTab(PageControl1->currentIndex());
        RefreshResultArea();
    } catch (...) {
        // Closing a tab never bothers the user.
    }
}

void TfrmMain::ActCloseAllExecute(QObject*)
{
    if (!App::confirm(this, QStringLiteral("确实要关闭所有查询结果吗？")))
        return;
    CloseAllResultPages();
    RefreshResultArea();
}

// ---------------------------------------------------------------- page commands

void TfrmMain::runPageCommand(int command)
{
    TWebBrowser* browser = GetActiveWebBrowser();
    if (!browser)
        return;
    if (browser->QueryStatusWB(command) == available)
        browser->ExecWB(command, OleCmd::DoDefault);
}

void TfrmMain::ActSaveExecute(QObject*) { runPageCommand(OleCmd::SaveAs); }
void TfrmMain::ActPreviewExecute(QObject*) { runPageCommand(OleCmd::PrintPreview); }
void TfrmMain::ActPrintExecute(QObject*) { runPageCommand(OleCmd::Print); }
void TfrmMain::ActPageSetupExecute(QObject*) { runPageCommand(OleCmd::PageSetup); }
void TfrmMain::ActCopyExecute(QObject*) { runPageCommand(OleCmd::Copy); }
void TfrmMain::ActCutExecute(QObject*) { runPageCommand(OleCmd::Cut); }
void TfrmMain::ActPasteExecute(QObject*) { runPageCommand(OleCmd::Paste); }
void TfrmMain::ActSelectAllExecute(QObject*) { runPageCommand(OleCmd::SelectAll); }

void TfrmMain::ActionList1Update(QAction*, bool&)
{
    const int i = PageControl1->currentIndex();
    const int c = PageControl1->count();
    ActPrior->setEnabled(i > 0);
    ActNext->setEnabled(i < c - 1);
    ActClose->setEnabled(c > 0);
    ActCloseAll->setEnabled(c > 0);

    const std::pair<QAction*, int> pageCommands[] = {
        {ActSave, OleCmd::SaveAs},   {ActPreview, OleCmd::PrintPreview},
        {ActPrint, OleCmd::Print},   {ActPageSetup, OleCmd::PageSetup},
        {ActCopy, OleCmd::Copy},     {ActCut, OleCmd::Cut},
        {ActPaste, OleCmd::Paste},   {ActSelectAll, OleCmd::SelectAll},
    };
    TWebBrowser* browser = GetActiveWebBrowser();
    for (const auto& [action, command] : pageCommands)
        action->setEnabled(browser && browser->QueryStatusWB(command) == available);
}

void TfrmMain::refreshActions()
{
    m_actionUpdatePending = false;
    App::guarded([this] {
        bool handled = false;
        ActionList1Update(nullptr, handled);
    });
}

// Many changes come in a burst (a search adds five tabs); one refresh serves them all.
void TfrmMain::scheduleActionUpdate()
{
    if (m_actionUpdatePending)
        return;
    m_actionUpdatePending = true;
    QTimer::singleShot(0, this, &TfrmMain::refreshActions);
}

// ---------------------------------------------------------------- tool bar docking

void TfrmMain::CoolBar1DockOver(QObject*, QWidget* Source, bool& Accept, QRect& DockRect)
{
    Accept = qobject_cast<TfrmFloating*>(Source) != nullptr;
    if (Accept)
        DockRect = QRect(CoolBar1->mapToGlobal(QPoint(0, 0)), CoolBar1->size());
}

void TfrmMain::CoolBar1DockDrop(QObject*, QWidget* Source)
{
    auto* floating = qobject_cast<TfrmFloating*>(Source);
    if (!floating)
        return;
    QWidget* toolBar = floating->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    if (toolBar) {
        Docking::setDragMode(toolBar, Docking::DragMode::Automatic);
        toolBar->setParent(CoolBar1);
        CoolBar1->addBand(toolBar);
        toolBar->show();
    }
    floating->hide();
}
