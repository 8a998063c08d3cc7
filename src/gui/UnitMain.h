#pragma once

#include "LookupAddress.h"
#include "MainWindowSettings.h"
#include "OuterSize.h"
#include "Palette.h"

#include <QIcon>
#include <QList>
#include <QPointer>
#include <QWidget>
#include <memory>

namespace CommandTable {
struct Command;
struct Context;
enum class Menu;
} // namespace CommandTable
class Appearance;
class Banner;
class FindBar;
class GlobalKey;
class LookupPopup;
class ReadyTray;
class PageSettings;
class PageZoom;
class ProfileFile;
class ResultTabs;
class TCoolBar;
class TWebBrowser;
class DockDrag;
class TfrmFloating;
class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QMenu;
class QMenuBar;
class QStatusBar;
class QTabWidget;
class QToolBar;
class QToolButton;

// The main window. Its controls and handlers carry the names of the window's design;
// each handler reads its controls, calls the look-up code and writes back.
class TfrmMain : public QWidget {
    Q_OBJECT

public:
    // appFolder holds the settings and history files (see DataFolder).
    explicit TfrmMain(const QString& appFolder, QWidget* parent = nullptr);
    ~TfrmMain() override;

    static inline const QString settingsFileName = MainWindowSettings::fileName;
    static inline const QString bannerHost = QStringLiteral("www.veritome.example");
    static QString bannerAddress();
    static inline const QString startPageAddress = QStringLiteral("qrc:/veritome/startpage.html");

    // Controls, parents before children.
    TCoolBar* CoolBar1 = nullptr;
    QMenuBar* ToolBar1 = nullptr;
    QToolBar* ToolBar2 = nullptr;
    QToolButton* ToolButton1 = nullptr;
    QToolButton* ToolButton2 = nullptr;
    QToolButton* ToolButton3 = nullptr;
    QToolButton* ToolButton8 = nullptr;
    QToolButton* ToolButton5 = nullptr;
    QToolButton* ToolButton6 = nullptr;
    QToolButton* ToolButton7 = nullptr;
    QFrame* Panel1 = nullptr;
    QComboBox* CmbBoxType = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* CmbBook = nullptr;
    QToolButton* BtnBookOK = nullptr;
    QWidget* PnlBook = nullptr;
    QListWidget* CkLstBookshop = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusPanel0 = nullptr;
    QLabel* StatusPanel1 = nullptr;
    QFrame* Panel2 = nullptr;
    QWidget* PnlWbAD = nullptr;
    TWebBrowser* WbAd = nullptr;
    QTabWidget* PageControl1 = nullptr;

    // Main menu.
    QMenu* File1 = nullptr;
    QMenu* E2 = nullptr;
    QMenu* N3 = nullptr;
    QAction* mnuExit = nullptr;
    QAction* NViewStatusBar = nullptr;
    QAction* NViewToolBar = nullptr;
    // After the design's entries: the window's colours, and the pages'.
    QAction* NViewFollowDesktop = nullptr;
    QAction* NViewLight = nullptr;
    QAction* NViewDark = nullptr;
    QAction* NViewDarkPages = nullptr;
    // After those: the look-up popup's key, and the program waiting in the background.
    QAction* NPopupKey = nullptr;
    QAction* NStayReady = nullptr;
    QAction* NStartAtLogin = nullptr;

    // ActionList1, in its order.
    QAction* ActPrior = nullptr;
    QAction* ActNext = nullptr;
    QAction* ActClose = nullptr;
    QAction* ActCloseAll = nullptr;
    QAction* ActSave = nullptr;
    QAction* ActPreview = nullptr;
    QAction* ActPrint = nullptr;
    QAction* ActPageSetup = nullptr;
    QAction* ActCopy = nullptr;
    QAction* ActCut = nullptr;
    QAction* ActPaste = nullptr;
    QAction* ActSelectAll = nullptr;
    QList<QAction*> ActionList1;
    QList<QIcon> ImageList1;

    // The first showing centres the window first.
    void setVisible(bool visible) override;

    // Window events.
    void FormCreate();
    void FormShow();
    void FormClose();

    // Frame handlers.
    void ShowHint(QObject* Sender);
    void mnuExitClick(QObject* Sender);
    void NViewStatusBarClick(QObject* Sender);
    void NViewToolBarClick(QObject* Sender);

    // Look-up.
    void CmbBoxTypeChange(QObject* Sender);
    void CkLstBookshopClick(QObject* Sender);
    void CmbBookKeyPress(QObject* Sender, QChar Key);
    void BtnBookOKClick(QObject* Sender);
    void BeforeNavigate2(const QString& url, bool* Cancel);

    // Result tabs.
    QWidget* AddResultPage();
    TWebBrowser* CreateResultBrowser(QWidget* tab, const QString& caption);
    TWebBrowser* GetActiveWebBrowser() const;
    void CloseAllResultPages();
    void RefreshResultArea();
    void ActPriorExecute(QObject* Sender);
    void ActNextExecute(QObject* Sender);
    void ActCloseExecute(QObject* Sender);
    void ActCloseAllExecute(QObject* Sender);

    // Page commands and action state.
    void ActSaveExecute(QObject* Sender);
    void ActPreviewExecute(QObject* Sender);
    void ActPrintExecute(QObject* Sender);
    void ActPageSetupExecute(QObject* Sender);
    void ActCopyExecute(QObject* Sender);
    void ActCutExecute(QObject* Sender);
    void ActPasteExecute(QObject* Sender);
    void ActSelectAllExecute(QObject* Sender);
    void ActionList1Update(QAction* Action, bool& Handled);


    // Tool bar docking.
    void CoolBar1DockOver(QObject* Sender, QWidget* Source, bool& Accept, QRect& DockRect);
    void CoolBar1DockDrop(QObject* Sender, QWidget* Source);

    int pageSerial() const;
    // A refresh of the actions' state is queued and has not run yet.
    bool actionUpdatePending() const { return m_actionUpdatePending; }
    QString historyPath() const;
    QString settingsPath() const;
    // The history as its ANSI bytes, oldest first.
    QList<QByteArray> historyItems() const;
    // A later start found this window not answering and opened a window of its own, which
    // takes the requests from now on. This one stays usable; at close, each keeps the
    // terms of both in the history file.
    void newerWindowTookOver();
    // The look-up popup: the term's pages beside the pointer, in this window's mode, from
    // its ticked sources, remembered in its history; the window itself stays as it is.
    // An empty term shows what to do instead.
    void lookUpInPopup(const QString& term);
    LookupPopup* popup() const { return m_popup.get(); }
    // The popup's term and pages move into this window's tabs, and the window comes forward.
    void openPopupInMainWindow();
    // Closing the window leaves the program waiting, hidden, with its key and its channel.
    bool staysReady() const;
    // Hidden to wait: the files are saved, and the pages and their renderers go.
    void waitInBackground();
    bool isWaiting() const { return m_waiting; }
    // The mode as the window shows it on its first showing, for a window not shown yet.
    void readModeOnce();
    // A start that shows no window, only the popup: the banner waits for the first showing.
    void startHidden();
    // The end of the program, whether or not it would stay ready.
    void exitProgram();
    GlobalKey* popupKey() const { return m_popupKey; }
    // The floating tool bar host, when the tool bar floats.
    TfrmFloating* floatingHost() const;
    // What every web view of this window shares for its page commands.
    PageSettings& pageSettings() const { return *m_pageSettings; }
    // The result pages' zoom, and the bar that finds text in them.
    PageZoom& pageZoom() const { return *m_zoom; }
    FindBar* findBar() const { return m_findBar; }
    Appearance* appearance() const { return m_appearance; }

signals:
    // The close sequence has run; the program ends here.
    void closed();
    // The popup's key was pressed, in whatever program has the keyboard.
    void popupKeyPressed();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildActions();
    void buildMenu();
    void bindEvents();
    QAction* commandAction(const CommandTable::Command* command) const;
    void addMenuCommands(QMenu* menu, CommandTable::Menu which);
    void bindAction(QAction* action, const CommandTable::Command& command);
    CommandTable::Context commandContext();
    void runPageCommand(const QAction* action);
    void fillPageMenu(TWebBrowser* browser, QMenu* menu);
    void showZoom(int percent);
    void showZoomLimit(int percent);
    // The status bar tells while the active tab's page is loading.
    void showLoading(bool loading);
    void refreshActions();
    void scheduleActionUpdate();
    void fitSourceColumns();
    void buildColourMenu();
    void setUpColours(MainWindowSettings::ColourChoice choice, bool darkPages);
    void applyLook(Palette::Look look);
    QList<QByteArray> historyToSave() const;
    void saveFiles();
    void openSearchTabs(ResultTabs& tabs, const QString& term);
    void openResultTab(ResultTabs& tabs, const QString& caption, const QString& address,
                       bool withAdFilter);
    void buildReadyMenu();
    void setUpReadiness();
    void choosePopupKey();
    void setStayReady(bool on);
    void setStartAtLogin(bool on);
    void popupHidden();

    QString m_appFolder;
    // One page set-up for every tab: a new search keeps it.
    std::shared_ptr<PageSettings> m_pageSettings;
    std::unique_ptr<ProfileFile> IniFile;
    bool m_historyLoaded = false;
    // The history as read at the start, and the terms searched since, split at the moment
    // a newer window took over: what the history file must keep whoever closes last.
    QList<QByteArray> m_loadedHistory;
    QList<QByteArray> m_searchedBeforeTakeOver;
    QList<QByteArray> m_searched;
    ResultTabs* m_tabs = nullptr; // the tab set, with PageSerial
    QList<Lookup::Bookshop> Bookshops;
    bool m_hintHandlerInstalled = false;
    QString m_hint;
    bool m_shown = false;
    bool m_closed = false;
    bool m_actionUpdatePending = false;
    OuterSize m_outerSize;
    DockDrag* m_docking = nullptr; // keeps the list of floating windows
    QList<QAction*> m_commandActions; // one for each row of the command table, in its order
    PageZoom* m_zoom = nullptr;
    FindBar* m_findBar = nullptr;
    Appearance* m_appearance = nullptr;
    bool m_modeRead = false;
    bool m_waiting = false;
    bool m_exiting = false;
    bool m_takenOver = false;
    // The outer size the settings hold, kept for a window that was never shown.
    QSize m_storedOuterSize;
    MainWindowSettings::PopupChoices m_popupChoices;
    Banner* m_banner = nullptr;
    std::unique_ptr<LookupPopup> m_popup;
    GlobalKey* m_popupKey = nullptr;
    ReadyTray* m_tray = nullptr;
};
