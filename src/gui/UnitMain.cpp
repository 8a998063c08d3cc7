#include "UnitMain.h"

#include "AnsiCodec.h"
#include "Application.h"
#include "Banner.h"
#include "CoolBar.h"
#include "DockDrag.h"
#include "Error.h"
#include "Glyphs.h"
#include "MainWindowSettings.h"
#include "PageSettings.h"
#include "ProfileFile.h"
#include "QueryBox.h"
#include "QueryHistory.h"
#include "ResultTabs.h"
#include "Unit2.h"
#include "WebBrowser.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace {

constexpr int available = OleCmd::Supported | OleCmd::Enabled;

// The eight commands that act on the shown page, in the order of the action list.
struct PageCommand {
    QAction* TfrmMain::*action;
    int command;
};

const PageCommand pageCommands[] = {
    {&TfrmMain::ActSave, OleCmd::SaveAs},
    {&TfrmMain::ActPreview, OleCmd::PrintPreview},
    {&TfrmMain::ActPrint, OleCmd::Print},
    {&TfrmMain::ActPageSetup, OleCmd::PageSetup},
    {&TfrmMain::ActCopy, OleCmd::Copy},
    {&TfrmMain::ActCut, OleCmd::Cut},
    {&TfrmMain::ActPaste, OleCmd::Paste},
    {&TfrmMain::ActSelectAll, OleCmd::SelectAll},
};

} // namespace

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

    m_outerSize.apply(
        MainWindowSettings::readOuterSize(*IniFile, OuterSize::primaryScreenGeometry().size()));

    Bookshops = Lookup::bookshops();
    setWindowTitle(App::title);

    CkLstBookshop->clear();
    try {
        QueryBox::setHistory(CmbBook, QueryHistory::load(historyPath()));
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
    new Banner(WbAd, PnlWbAD, this, bannerAddress(), startPageAddress);
}

void TfrmMain::FormShow()
{
    CmbBoxType->setCurrentIndex(
        IniFile ? MainWindowSettings::readModeIndex(*IniFile, CmbBoxType->count()) : 0);
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
        MainWindowSettings::write(*IniFile, frameGeometry().size(), CmbBoxType->currentIndex());
    } catch (...) {
    }
    IniFile.reset();
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
    // Enter in the open list puts the picked term into the box and searches at once,
    // as Enter in the box itself does. The list takes Enter before it is a key press, as it
    // would take a shortcut.
    // The watched controls are compared by address only: the filter also sees the events
    // of their destruction, when they can no longer be asked anything.
    if (watched == m_historyList
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

QList<QByteArray> TfrmMain::historyItems() const { return QueryBox::history(CmbBook); }

void TfrmMain::BtnBookOKClick(QObject*)
{
    const QString term = CmbBook->currentText();
    if (Lookup::isBlankTerm(AnsiCodec::encode(term))) {
        App::showInformation(this, QStringLiteral("请输入要搜索的内容！"));
        return;
    }
    QueryBox::remember(CmbBook);
    PageControl1->show();
    CloseAllResultPages();
    openSearchTabs(term);
}

// One tab for every checked source in encyclopaedia mode, otherwise one for the dictionary.
void TfrmMain::openSearchTabs(const QString& term)
{
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
    TWebBrowser* browser = m_tabs->open(caption);
    if (withAdFilter)
        connect(browser, &TWebBrowser::BeforeNavigate2, this, &TfrmMain::BeforeNavigate2);
    browser->Navigate(address, {}, {}, {}, {});
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
    for (const PageCommand& page : pageCommands)
        if (this->*page.action == action && browser->QueryStatusWB(page.command) == available)
            browser->ExecWB(page.command, OleCmd::DoDefault);
}

void TfrmMain::ActSaveExecute(QObject*) { runPageCommand(ActSave); }
void TfrmMain::ActPreviewExecute(QObject*) { runPageCommand(ActPreview); }
void TfrmMain::ActPrintExecute(QObject*) { runPageCommand(ActPrint); }
void TfrmMain::ActPageSetupExecute(QObject*) { runPageCommand(ActPageSetup); }
void TfrmMain::ActCopyExecute(QObject*) { runPageCommand(ActCopy); }
void TfrmMain::ActCutExecute(QObject*) { runPageCommand(ActCut); }
void TfrmMain::ActPasteExecute(QObject*) { runPageCommand(ActPaste); }
void TfrmMain::ActSelectAllExecute(QObject*) { runPageCommand(ActSelectAll); }

void TfrmMain::ActionList1Update(QAction*, bool&)
{
    const int i = PageControl1->currentIndex();
    const int c = PageControl1->count();
    ActPrior->setEnabled(i > 0);
    ActNext->setEnabled(i < c - 1);
    ActClose->setEnabled(c > 0);
    ActCloseAll->setEnabled(c > 0);

    TWebBrowser* browser = GetActiveWebBrowser();
    for (const PageCommand& page : pageCommands)
        (this->*page.action)->setEnabled(browser && browser->QueryStatusWB(page.command) == available);
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
