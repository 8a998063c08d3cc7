#include "UnitMain.h"

#include "Accessibility.h"
#include "Appearance.h"
#include "AnsiCodec.h"
#include "Application.h"
#include "Banner.h"
#include "CommandTable.h"
#include "CoolBar.h"
#include "DockDrag.h"
#include "Error.h"
#include "FindBar.h"
#include "Glyphs.h"
#include "LookupPopup.h"
#include "MainWindowSettings.h"
#include "PageInput.h"
#include "PageSettings.h"
#include "PageZoom.h"
#include "ProfileFile.h"
#include "QueryBox.h"
#include "QueryHistory.h"
#include "ResultTabs.h"
#include "TabHistory.h"
#include "Unit2.h"
#include "WebBrowser.h"
#include "platform/GlobalKey.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWebEngineView>

QString TfrmMain::bannerAddress()
{
    return QStringLiteral("http://") + bannerHost + QStringLiteral("/soft/Veritome.aspx?ver=1.8");
}

TfrmMain::TfrmMain(const QString& appFolder, QWidget* parent)
    : QWidget(parent),
      m_appFolder(appFolder),
      m_pageSettings(std::make_shared<PageSettings>()),
      m_outerSize(this)
{
    setObjectName(QStringLiteral("frmMain"));
    Accessibility::setRole(this, QAccessible::Window);
    setWindowTitle(QStringLiteral("frmMain"));
    setWindowIcon(Glyphs::mainIcon());
    resize(MainWindowSettings::designedSize);
    ImageList1 = Glyphs::imageList();
    buildActions();
    buildControls();
    buildMenu();
    bindEvents();
    App::guarded([this] { FormCreate(); });
}

TfrmMain::~TfrmMain()
{
    // The popup's pages ask this window about their navigations.
    m_popup.reset();
    // Floating tool bar windows go first, the newest first.
    const QList<QWidget*> floatingWindows = m_docking->hosts();
    for (auto window = floatingWindows.crbegin(); window != floatingWindows.crend(); ++window)
        delete *window;
    // The web views go while the window is still whole: a page may yet ask about a
    // navigation or report a load on its way out, and the window's handlers answer.
    m_tabs->closeAll();
    delete WbAd;
    WbAd = nullptr;
}

QString TfrmMain::historyPath() const
{
    return QDir(m_appFolder).filePath(QueryHistory::fileName);
}

QString TfrmMain::settingsPath() const
{
    return QDir(m_appFolder).filePath(settingsFileName);
}

void TfrmMain::FormCreate()
{
    IniFile = std::make_unique<ProfileFile>(settingsPath());

    m_storedOuterSize =
        MainWindowSettings::readOuterSize(*IniFile, OuterSize::primaryScreenGeometry().size());
    m_outerSize.apply(m_storedOuterSize);
    m_popupChoices = MainWindowSettings::readPopupChoices(*IniFile);
    m_zoom->setPercent(MainWindowSettings::readZoom(*IniFile));
    setUpColours(MainWindowSettings::readColourChoice(*IniFile),
                 MainWindowSettings::readDarkPages(*IniFile));

    Bookshops = Lookup::bookshops();
    setWindowTitle(App::title);

    CkLstBookshop->clear();
    try {
        m_loadedHistory = QueryHistory::load(historyPath());
        QueryBox::setHistory(CmbBook, m_loadedHistory);
        m_historyLoaded = true;
    } catch (...) {
        // An unreadable history is reported, and the rest of the start-up still runs.
        App::showCurrentException();
    }
    for (const Lookup::Bookshop& source : Bookshops) {
        auto* item = new QListWidgetItem(source.displayName);
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
        item->setCheckState(Qt::Checked);
        // Readers on this desktop hear a tick's state only when it is ticked; this says
        // what the item is.
        item->setData(Qt::AccessibleDescriptionRole, QStringLiteral("复选框"));
        CkLstBookshop->addItem(item);
    }
    fitSourceColumns();

    m_hintHandlerInstalled = true;

    PageControl1->hide();
    PnlWbAD->show();
    // The engine's first navigation costs a noticeable part of the start-up; the window
    // shows first, the banner follows at once.
    m_banner = new Banner(WbAd, PnlWbAD, this, bannerAddress(), startPageAddress);
    setUpReadiness();
}

void TfrmMain::FormShow()
{
    CmbBoxType->setCurrentIndex(
        IniFile ? MainWindowSettings::readModeIndex(*IniFile, CmbBoxType->count()) : 0);
    CmbBoxTypeChange(CmbBoxType);
    m_modeRead = true;
}

void TfrmMain::FormClose()
{
    saveFiles();
    IniFile.reset();
}

// At close, and each time the program is put away to wait: it may never be closed.
void TfrmMain::saveFiles()
{
    if (!IniFile)
        return;
    // A history that was not read whole would be saved over the user's terms.
    if (m_historyLoaded) {
        try {
            const QList<QByteArray> saved = historyToSave();
            QueryHistory::save(historyPath(), saved);
            m_loadedHistory = saved;
            m_searchedBeforeTakeOver.clear();
            m_searched.clear();
        } catch (...) {
            // Nothing is said at close; the settings below are still written.
        }
    }
    try {
        // A window never shown keeps the size it was given.
        MainWindowSettings::write(*IniFile, m_shown ? frameGeometry().size() : m_storedOuterSize,
                                  CmbBoxType->currentIndex());
        MainWindowSettings::writeZoom(*IniFile, m_zoom->percent());
        if (m_appearance)
            MainWindowSettings::writeColours(*IniFile, m_appearance->choice(),
                                             m_appearance->darkPages());
        if (m_popup) {
            m_popupChoices.size = m_popup->chosenSize();
            m_popupChoices.pinned = m_popup->isPinned();
        }
        MainWindowSettings::writePopupChoices(*IniFile, m_popupChoices);
    } catch (...) {
    }
}

void TfrmMain::setVisible(bool visible)
{
    if (visible && !m_shown)
        m_outerSize.centreOnPrimaryScreen();
    QWidget::setVisible(visible);
}

void TfrmMain::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_waiting = false;
    if (m_shown)
        return;
    m_shown = true;
    if (!m_modeRead)
        App::guarded([this] { FormShow(); });
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (m_closed)
        return;
    if (staysReady() && !m_exiting) {
        App::guarded([this] { waitInBackground(); });
        return;
    }
    m_closed = true;
    if (m_popup)
        m_popup->hide();
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
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::UpdateRequest:
    case QEvent::WindowActivate:
        m_outerSize.correctForFrame();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void TfrmMain::ShowHint(QObject*)
{
    StatusPanel0->setText(m_hint);
}

// The program's end, even where closing the window would leave it waiting.
void TfrmMain::mnuExitClick(QObject*)
{
    exitProgram();
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

bool TfrmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == CkLstBookshop
        && (event->type() == QEvent::Resize || event->type() == QEvent::FontChange
            || event->type() == QEvent::StyleChange))
        fitSourceColumns();
    return QWidget::eventFilter(watched, event);
}

void TfrmMain::CmbBookKeyPress(QObject* Sender, QChar Key)
{
    if (Key == QChar(13))
        BtnBookOKClick(Sender);
}

QList<QByteArray> TfrmMain::historyItems() const { return QueryBox::history(CmbBook); }

// Another window of the user's may have saved its terms since this one read the file; they
// stay. A file that cannot be read now is replaced by this window's own list.
QList<QByteArray> TfrmMain::historyToSave() const
{
    try {
        return QueryHistory::merged(m_loadedHistory, QueryHistory::load(historyPath()),
                                    m_searchedBeforeTakeOver, m_searched);
    } catch (...) {
        return historyItems();
    }
}

void TfrmMain::newerWindowTookOver()
{
    m_searchedBeforeTakeOver += std::exchange(m_searched, {});
    auto* notice = new QLabel(QStringLiteral("已由新打开的 Veritome 窗口接管查询"), StatusBar1);
    notice->setObjectName(QStringLiteral("TakenOver"));
    // The newer window has the key and the tray from now on; this one ends when closed.
    m_takenOver = true;
    m_popupKey->release();
    setStayReady(false);
    StatusBar1->addPermanentWidget(notice);
    Accessibility::announce(this, notice->text());
}

void TfrmMain::BtnBookOKClick(QObject*)
{
    const QString term = CmbBook->currentText();
    if (Lookup::isBlankTerm(AnsiCodec::encode(term))) {
        App::showInformation(this, QStringLiteral("请输入要搜索的内容！"));
        return;
    }
    m_searched.append(QueryBox::remember(CmbBook));
    PageControl1->show();
    CloseAllResultPages();
    openSearchTabs(*m_tabs, term);
    // Term after term: the keyboard stays here, and the next term typed replaces this one.
    QueryBox::takeKeyboard(CmbBook, QueryBox::Key::EnterOnItsWay);
    Accessibility::announce(
        this, QStringLiteral("“%1”：已打开 %2 个结果页").arg(term).arg(PageControl1->count()));
}

// One tab for every checked source in encyclopaedia mode, otherwise one for the dictionary.
void TfrmMain::openSearchTabs(ResultTabs& tabs, const QString& term)
{
    switch (Lookup::modeFromText(CmbBoxType->currentText())) {
    case Lookup::Mode::Encyclopaedia:
        for (int i = 0; i < Bookshops.size(); ++i) {
            if (i >= CkLstBookshop->count())
                throw Error(QStringLiteral("List index out of bounds (%1)").arg(i));
            if (CkLstBookshop->item(i)->checkState() == Qt::Checked)
                openResultTab(tabs, Bookshops[i].displayName,
                              Lookup::encyclopaediaAddress(Bookshops[i], term), false);
        }
        break;
    case Lookup::Mode::IdiomDictionary:
        openResultTab(tabs, CmbBoxType->currentText(), Lookup::idiomDictionaryAddress(term),
                      true);
        break;
    case Lookup::Mode::EnglishChineseDictionary:
        openResultTab(tabs, CmbBoxType->currentText(),
                      Lookup::englishChineseDictionaryAddress(term), true);
        break;
    }
}

void TfrmMain::openResultTab(ResultTabs& tabs, const QString& caption, const QString& address,
                             bool withAdFilter)
{
    TWebBrowser* browser = tabs.open(caption);
    if (withAdFilter)
        connect(browser, &TWebBrowser::BeforeNavigate2, this, &TfrmMain::BeforeNavigate2);
    browser->Navigate(address, {}, {}, {}, {});
    tabs.setUpPage(browser, caption);
}

// The page's menu offers the window's commands: its own back and forward in place of the
// engine's, find and zoom, and opening the page or the link in the user's web browser.
void TfrmMain::fillPageMenu(TWebBrowser* browser, QMenu* menu)
{
    refreshActions();
    QWebEnginePage* page = browser->engineView()->page();
    const bool onLink = TabHistory::linkAddress(browser->engineView()).isValid();
    for (const CommandTable::Command& command : CommandTable::commands()) {
        QAction* action = commandAction(&command);
        QAction* engineAction = command.engineAction == QWebEnginePage::NoWebAction
            ? nullptr
            : page->action(command.engineAction);
        switch (command.pageMenu) {
        case CommandTable::PageMenu::None:
            continue;
        case CommandTable::PageMenu::InPlaceOfEngine:
            if (engineAction && menu->actions().contains(engineAction)) {
                menu->insertAction(engineAction, action);
                menu->removeAction(engineAction);
            }
            continue;
        case CommandTable::PageMenu::OnLink:
            if (!onLink)
                continue;
            break;
        case CommandTable::PageMenu::Always:
            break;
        }
        if (command.separatorBefore && !menu->isEmpty() && !menu->actions().last()->isSeparator())
            menu->addSeparator();
        menu->addAction(action);
    }
}

namespace {
// Long enough to read, short enough not to stand in the way of the hints.
constexpr int zoomShownMs = 2000;
const QString loadingText = QStringLiteral("正在载入…");
} // namespace

// The colours the user chose, in the window and, from the engine's start, in the pages.
void TfrmMain::setUpColours(MainWindowSettings::ColourChoice choice, bool darkPages)
{
    m_appearance = new Appearance(choice, darkPages, this);
    m_appearance->prepareEngine();
    using Choice = MainWindowSettings::ColourChoice;
    NViewFollowDesktop->setChecked(choice == Choice::FollowDesktop);
    NViewLight->setChecked(choice == Choice::Light);
    NViewDark->setChecked(choice == Choice::Dark);
    NViewDarkPages->setChecked(darkPages);
    const auto choose = [this](QAction* action, Choice chosen) {
        connect(action, &QAction::triggered, m_appearance,
                [this, chosen] { m_appearance->setChoice(chosen); });
    };
    choose(NViewFollowDesktop, Choice::FollowDesktop);
    choose(NViewLight, Choice::Light);
    choose(NViewDark, Choice::Dark);
    connect(NViewDarkPages, &QAction::toggled, m_appearance, &Appearance::setDarkPages);
    connect(m_appearance, &Appearance::lookChanged, this, &TfrmMain::applyLook);
    // The glyphs were drawn for light as the window was built.
    if (m_appearance->look() != Palette::Look{})
        applyLook(m_appearance->look());
}

// The glyphs are drawn anew to be seen on the new colours.
void TfrmMain::applyLook(Palette::Look look)
{
    ImageList1 = Glyphs::imageList(look);
    const QList<CommandTable::Command>& commands = CommandTable::commands();
    for (int row = 0; row < commands.size(); ++row)
        if (commands[row].glyph >= 0)
            m_commandActions[row]->setIcon(ImageList1.value(commands[row].glyph));
    BtnBookOK->setIcon(ImageList1.value(9));
    if (m_appearance->pagesWaitForRestart())
        StatusBar1->showMessage(
            QStringLiteral("窗口已换用新的配色；网页的配色在下次启动 Veritome 时改变"), 8000);
}

void TfrmMain::showZoom(int percent)
{
    StatusBar1->showMessage(QStringLiteral("缩放：%1%").arg(percent), zoomShownMs);
    scheduleActionUpdate();
}

void TfrmMain::showZoomLimit(int percent)
{
    StatusBar1->showMessage(percent >= MainWindowSettings::maximumZoom
                                ? QStringLiteral("已是最大缩放 %1%").arg(percent)
                                : QStringLiteral("已是最小缩放 %1%").arg(percent),
                            zoomShownMs);
}

void TfrmMain::showLoading(bool loading)
{
    if (loading)
        StatusBar1->showMessage(loadingText);
    else if (StatusBar1->currentMessage() == loadingText)
        StatusBar1->clearMessage();
}

void TfrmMain::BeforeNavigate2(const QString& url, bool* Cancel)
{
    *Cancel = url.contains(Lookup::advertisingPrefix, Qt::CaseSensitive);
}

int TfrmMain::pageSerial() const { return m_tabs->pageSerial(); }
QWidget* TfrmMain::AddResultPage() { return m_tabs->addPage(); }
TWebBrowser* TfrmMain::CreateResultBrowser(QWidget* tab, const QString& caption)
{
    return m_tabs->createBrowser(tab, caption);
}
TWebBrowser* TfrmMain::GetActiveWebBrowser() const { return m_tabs->activeBrowser(); }
void TfrmMain::CloseAllResultPages() { m_tabs->closeAll(); }
void TfrmMain::RefreshResultArea() { m_tabs->refreshArea(); }
void TfrmMain::ActPriorExecute(QObject*) { m_tabs->prior(); }
void TfrmMain::ActNextExecute(QObject*) { m_tabs->next(); }

void TfrmMain::ActCloseExecute(QObject*)
{
    try {
        m_tabs->closeActive();
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

void TfrmMain::runPageCommand(const QAction* action)
{
    TWebBrowser* browser = GetActiveWebBrowser();
    if (!browser)
        return;
    const CommandTable::Command* command = CommandTable::find(action->objectName().toLatin1());
    if (command && command->webCommand != 0 && CommandTable::isEnabled(*command, commandContext()))
        browser->ExecWB(command->webCommand, OleCmd::DoDefault);
}

void TfrmMain::ActSaveExecute(QObject*) { runPageCommand(ActSave); }
void TfrmMain::ActPreviewExecute(QObject*) { runPageCommand(ActPreview); }
void TfrmMain::ActPrintExecute(QObject*) { runPageCommand(ActPrint); }
void TfrmMain::ActPageSetupExecute(QObject*) { runPageCommand(ActPageSetup); }
void TfrmMain::ActCopyExecute(QObject*) { runPageCommand(ActCopy); }
void TfrmMain::ActCutExecute(QObject*) { runPageCommand(ActCut); }
void TfrmMain::ActPasteExecute(QObject*) { runPageCommand(ActPaste); }
void TfrmMain::ActSelectAllExecute(QObject*) { runPageCommand(ActSelectAll); }

// Every command's state from scratch, in the order of the command table: the tab actions,
// the page commands the web view answers for, then the others.
void TfrmMain::ActionList1Update(QAction*, bool&)
{
    const CommandTable::Context context = commandContext();
    const QList<CommandTable::Command>& commands = CommandTable::commands();
    for (int row = 0; row < commands.size(); ++row)
        m_commandActions[row]->setEnabled(CommandTable::isEnabled(commands[row], context));
}

CommandTable::Context TfrmMain::commandContext()
{
    return {PageControl1->count(), PageControl1->currentIndex(), GetActiveWebBrowser(), m_zoom,
            m_findBar, this};
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
