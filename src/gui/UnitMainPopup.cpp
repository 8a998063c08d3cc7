// The main window's part in the look-up popup and in waiting in the background.
#include "UnitMain.h"

#include "Accessibility.h"
#include "AnsiCodec.h"
#include "Application.h"
#include "Autostart.h"
#include "Banner.h"
#include "FindBar.h"
#include "LookupPopup.h"
#include "PopupKeyDialog.h"
#include "QueryBox.h"
#include "ResultTabs.h"
#include "WebBrowser.h"
#include "platform/GlobalKey.h"
#include "platform/ReadyTray.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QMenu>
#include <QStatusBar>
#include <QTabWidget>

namespace {
constexpr int keyNoticeMs = 10000;
} // namespace

void TfrmMain::buildReadyMenu()
{
    N3->addSeparator();
    NPopupKey = N3->addAction(QStringLiteral("浮动查询窗的快捷键(&K)…"));
    NPopupKey->setObjectName(QStringLiteral("NPopupKey"));
    NPopupKey->setStatusTip(QStringLiteral("设置在任何程序中查询选中文字的快捷键"));
    NStayReady = N3->addAction(QStringLiteral("关闭窗口后留在后台"));
    NStayReady->setObjectName(QStringLiteral("NStayReady"));
    NStayReady->setCheckable(true);
    NStayReady->setStatusTip(
        QStringLiteral("关闭主窗口后 Veritome 仍在后台等候，快捷键随时可用；用“文件”菜单的“退出”结束"));
    NStartAtLogin = N3->addAction(QStringLiteral("登录时启动"));
    NStartAtLogin->setObjectName(QStringLiteral("NStartAtLogin"));
    NStartAtLogin->setCheckable(true);
    NStartAtLogin->setStatusTip(QStringLiteral("登录桌面时在后台启动 Veritome"));
}

// The key, the tray and the autostart entry, as the settings and the desktop have them.
void TfrmMain::setUpReadiness()
{
    m_popupKey = new GlobalKey(this);
    connect(m_popupKey, &GlobalKey::pressed, this, &TfrmMain::popupKeyPressed);
    // Said once, where the user will see it; the program goes on without the key.
    connect(m_popupKey, &GlobalKey::stateChanged, this, [this](GlobalKey::State state) {
        if (state != GlobalKey::State::TakenByAnother)
            return;
        StatusBar1->showMessage(m_popupKey->stateText(), keyNoticeMs);
        Accessibility::announce(this, m_popupKey->stateText());
    });
    m_popupKey->setKey(QKeySequence(m_popupChoices.key, QKeySequence::PortableText));

    NStayReady->setChecked(m_popupChoices.stayReady);
    setStayReady(m_popupChoices.stayReady);
    NStartAtLogin->setChecked(Autostart::isOn());
    connect(NPopupKey, &QAction::triggered, this, [this] { App::guarded([this] { choosePopupKey(); }); });
    connect(NStayReady, &QAction::toggled, this, [this](bool on) {
        App::guarded([this, on] { setStayReady(on); });
    });
    connect(NStartAtLogin, &QAction::toggled, this, [this](bool on) {
        App::guarded([this, on] { setStartAtLogin(on); });
    });
}

void TfrmMain::choosePopupKey()
{
    PopupKeyDialog dialog(m_popupKey,
                          QKeySequence(MainWindowSettings::PopupChoices::defaultKey,
                                       QKeySequence::PortableText),
                          this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QKeySequence key = dialog.chosenKey();
    m_popupChoices.key = key.toString(QKeySequence::PortableText);
    if (!m_takenOver)
        m_popupKey->setKey(key);
}

bool TfrmMain::staysReady() const
{
    return m_popupChoices.stayReady && !m_takenOver;
}

// The tray icon shows while the program would stay; the desktop shows it where it has a
// place for such icons.
void TfrmMain::setStayReady(bool on)
{
    m_popupChoices.stayReady = on;
    if (NStayReady->isChecked() != on)
        NStayReady->setChecked(on);
    if (!staysReady()) {
        delete std::exchange(m_tray, nullptr);
        return;
    }
    if (m_tray)
        return;
    m_tray = new ReadyTray(windowIcon(), this);
    connect(m_tray, &ReadyTray::showRequested, this, [this] { App::bringToFront(*this); });
    connect(m_tray, &ReadyTray::exitRequested, this, &TfrmMain::exitProgram);
}

void TfrmMain::setStartAtLogin(bool on)
{
    try {
        Autostart::setOn(on, QCoreApplication::applicationFilePath());
    } catch (...) {
        const QSignalBlocker blocker(NStartAtLogin);
        NStartAtLogin->setChecked(Autostart::isOn());
        throw;
    }
}

void TfrmMain::readModeOnce()
{
    if (!m_modeRead)
        FormShow();
}

void TfrmMain::startHidden()
{
    readModeOnce();
    m_banner->rest();
}

void TfrmMain::lookUpInPopup(const QString& term)
{
    readModeOnce();
    if (!m_popup) {
        m_popup = std::make_unique<LookupPopup>(m_pageSettings, m_zoom);
        m_popup->setChosenSize(m_popupChoices.size);
        m_popup->setPinned(m_popupChoices.pinned);
        connect(m_popup.get(), &LookupPopup::openInMainWindowRequested, this,
                [this] { App::guarded([this] { openPopupInMainWindow(); }); });
        connect(m_popup.get(), &LookupPopup::hidden, this, &TfrmMain::popupHidden);
    }
    m_popup->tabs().closeAll();
    if (Lookup::isBlankTerm(AnsiCodec::encode(term))) {
        const QString key = m_popupKey->key().toString(QKeySequence::NativeText);
        m_popup->presentMessage(
            key.isEmpty() ? QStringLiteral("没有选中的文字。请先选中要查询的词。")
                          : QStringLiteral("没有选中的文字。请先选中要查询的词，再按 %1。").arg(key));
        return;
    }
    m_searched.append(QueryBox::remember(CmbBook, term));
    m_popup->present(term, [this, term] {
        App::guarded([this, &term] { openSearchTabs(m_popup->tabs(), term); });
        return m_popup->pages()->count() > 0
                   ? QString()
                   : QStringLiteral("没有勾选要查询的百科。请在主窗口中勾选后再查询。");
    });
}

void TfrmMain::openPopupInMainWindow()
{
    if (!m_popup || m_popup->pages()->count() == 0)
        return;
    CmbBook->setEditText(m_popup->term());
    PageControl1->show();
    CloseAllResultPages();
    m_tabs->adoptAll(m_popup->tabs());
    App::bringToFront(*this);
    m_popup->hide();
    if (TWebBrowser* browser = GetActiveWebBrowser())
        browser->setFocus(Qt::OtherFocusReason);
}

// A popup opened without the window ends the program with it, unless the program waits.
void TfrmMain::popupHidden()
{
    if (m_closed || isVisible())
        return;
    if (m_waiting)
        saveFiles();
    else if (staysReady())
        waitInBackground();
    else
        close();
}

void TfrmMain::waitInBackground()
{
    m_waiting = true;
    startHidden();
    hide();
    if (m_popup)
        m_popup->hide();
    m_findBar->close();
    CloseAllResultPages();
    RefreshResultArea();
    saveFiles();
}

void TfrmMain::exitProgram()
{
    m_exiting = true;
    close();
}
