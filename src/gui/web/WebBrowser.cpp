#include "WebBrowser.h"

#include "Application.h"
#include "Error.h"
#include "HiddenPageSize.h"
#include "PageCommands.h"
#include "PageSettings.h"
#include "SilentPage.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

QWebEnginePage::WebAction webAction(int command)
{
    switch (command) {
    case OleCmd::Cut:
        return QWebEnginePage::Cut;
    case OleCmd::Copy:
        return QWebEnginePage::Copy;
    case OleCmd::Paste:
        return QWebEnginePage::Paste;
    case OleCmd::SelectAll:
        return QWebEnginePage::SelectAll;
    default:
        return QWebEnginePage::NoWebAction;
    }
}

} // namespace

TWebBrowser::TWebBrowser(QWidget* parent) : TWebBrowser(std::make_shared<PageSettings>(), parent)
{
}

TWebBrowser::TWebBrowser(std::shared_ptr<PageSettings> pageSettings, QWidget* parent)
    : QWidget(parent), m_pageSettings(std::move(pageSettings))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void TWebBrowser::createView()
{
    m_view = new QWebEngineView(this);
    m_page = new SilentPage(m_separateSession ? SilentPage::Session::Separate
                                              : SilentPage::Session::Shared,
                            m_view);
    m_page->silent = m_silent;
    m_page->setSourceName(m_sourceName);
    m_page->settings()->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    m_view->setPage(m_page);
    layout()->addWidget(m_view);
    setFocusProxy(m_view);
    if (m_hiddenSizeFrom)
        new HiddenPageSize(m_view, m_hiddenSizeFrom);
    m_commands = new PageCommands(m_view, m_pageSettings);

    connect(m_page, &SilentPage::beforeNavigate, this, &TWebBrowser::BeforeNavigate2);
    connect(m_page, &SilentPage::documentComplete, this, &TWebBrowser::DocumentComplete);
    connect(m_page, &SilentPage::stateChanged, this, &TWebBrowser::CommandStateChange);
    connect(m_page, &SilentPage::saveRequested, this,
            [this] { App::guarded([this] { ExecWB(OleCmd::SaveAs); }); });
    connect(m_page, &QWebEnginePage::titleChanged, this, &TWebBrowser::TitleChange);
    connect(m_page, &QWebEnginePage::loadStarted, this, [this] { setLoading(true); });
    connect(m_page, &QWebEnginePage::loadFinished, this, [this] { setLoading(false); });
    connect(m_page, &QWebEnginePage::loadFinished, this, &TWebBrowser::focusFrame);
    connect(m_page, &QWebEnginePage::urlChanged, this, &TWebBrowser::CommandStateChange);
    connect(m_page, &QWebEnginePage::loadFinished, this, &TWebBrowser::CommandStateChange);
    connect(m_page, &QWebEnginePage::selectionChanged, this, &TWebBrowser::CommandStateChange);
    for (const auto action : {QWebEnginePage::Cut, QWebEnginePage::Copy, QWebEnginePage::Paste,
                              QWebEnginePage::SelectAll})
        connect(m_page->action(action), &QAction::changed, this,
                &TWebBrowser::CommandStateChange);
    connect(m_commands, &PageCommands::printingChanged, this, &TWebBrowser::CommandStateChange);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &TWebBrowser::CommandStateChange);


    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view, &QWidget::customContextMenuRequested, this, &TWebBrowser::showContextMenu);
}

void TWebBrowser::ReleasePage()
{
    if (!m_view)
        return;
    setFocusProxy(nullptr);
    // Not at once: this may run inside one of the page's own signals.
    m_page->disconnect(this);
    m_view->hide();
    m_view->deleteLater();
    m_view = nullptr;
    m_page = nullptr;
    m_commands = nullptr;
    setLoading(false);
    emit CommandStateChange();
}

// The page is a child of the view, so it goes before the profile it uses.
TWebBrowser::~TWebBrowser() = default;

bool TWebBrowser::Silent() const { return m_silent; }

void TWebBrowser::setSilent(bool silent)
{
    m_silent = silent;
    if (m_page)
        m_page->silent = silent;
}

void TWebBrowser::setSourceName(const QString& name)
{
    m_sourceName = name;
    if (m_page)
        m_page->setSourceName(name);
}

void TWebBrowser::Navigate(const QString& url)
{
    const QUrl address(url);
    if (!address.isValid() || address.isRelative())
        throw Error(QStringLiteral("无法打开地址：%1").arg(url));
    if (!m_view)
        createView();
    // The engine starts the page's renderer process as the load begins, which holds the
    // user-interface thread for a while; the search that navigates five views returns
    // first, and the window can draw its tabs between their starts.
    QTimer::singleShot(0, m_view, [view = m_view, address] { view->load(address); });
}

void TWebBrowser::Navigate(const QString& url, const QVariant&, const QVariant&, const QVariant&,
                           const QVariant&)
{
    // Flags, target frame, post data and headers are always empty here.
    Navigate(url);
}

void TWebBrowser::setLoading(bool loading)
{
    if (loading == m_loading)
        return;
    m_loading = loading;
    emit loadingChanged(loading);
}

QString TWebBrowser::LocationURL() const { return m_page ? m_page->url().toString() : QString(); }

void TWebBrowser::Refresh()
{
    if (m_page)
        m_page->triggerAction(QWebEnginePage::Reload);
}

// The engine's menu without the entries that would open a window of its own or start a
// download, which a silent view drops and nothing else would accept.
void TWebBrowser::showContextMenu(const QPoint& position)
{
    QMenu* menu = m_view->createStandardContextMenu();
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const auto action :
         {QWebEnginePage::OpenLinkInNewWindow, QWebEnginePage::OpenLinkInNewTab,
          QWebEnginePage::OpenLinkInNewBackgroundTab, QWebEnginePage::DownloadLinkToDisk,
          QWebEnginePage::DownloadImageToDisk, QWebEnginePage::DownloadMediaToDisk,
          QWebEnginePage::InspectElement})
        menu->removeAction(m_page->action(action));
    // One word for loading again, the notices' own.
    m_page->action(QWebEnginePage::Reload)->setText(QStringLiteral("重新载入"));
    // No separator at either end or twice in a row once entries have gone.
    QAction* previous = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator() && (!previous || previous->isSeparator()))
            menu->removeAction(action);
        else
            previous = action;
    }
    if (previous && previous->isSeparator())
        menu->removeAction(previous);
    emit contextMenuAboutToShow(menu);
    menu->popup(m_view->mapToGlobal(position));
}

bool TWebBrowser::editableFocus() const { return m_page->focusKind() != FocusKind::None; }

bool TWebBrowser::canPaste() const
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        return false;
    if (!data->text().isEmpty() || data->hasHtml())
        return true;
    return data->hasImage() && m_page->focusKind() == FocusKind::RichText;
}

bool TWebBrowser::pageActionEnabled(int command) const
{
    const QWebEnginePage::WebAction action = webAction(command);
    return m_page && action != QWebEnginePage::NoWebAction && m_page->action(action)->isEnabled();
}

// A committed navigation, even to an error page, leaves an entry in the history.
bool TWebBrowser::hasDocument() const { return m_page && m_page->history()->count() > 0; }

// The engine carries out editing commands in its focused frame only, and a page that has
// never had the keyboard has none, so select all and paste would stay off until the user
// clicks into the page. Focusing the window from the program's own script world gives the
// page its focused frame and leaves the keyboard where it is, in the query box say.
void TWebBrowser::focusFrame()
{
    if (!m_page->action(QWebEnginePage::SelectAll)->isEnabled())
        m_page->runJavaScript(QStringLiteral("window.focus()"), QWebEngineScript::ApplicationWorld);
}

int TWebBrowser::QueryStatusWB(int command) const
{
    bool enabled = false;
    switch (command) {
    case OleCmd::Copy:
    case OleCmd::SelectAll:
        enabled = pageActionEnabled(command);
        break;
    // The engine offers these on any page; they act only in a field that takes text. A
    // password field gives nothing away.
    case OleCmd::Cut:
        enabled = pageActionEnabled(command) && editableFocus()
            && m_page->focusKind() != FocusKind::Password;
        break;
    case OleCmd::Paste:
        enabled = pageActionEnabled(command) && editableFocus() && canPaste();
        break;
    case OleCmd::SaveAs:
    case OleCmd::PageSetup:
        enabled = hasDocument();
        break;
    case OleCmd::Print:
    case OleCmd::PrintPreview:
        // The engine prints one job at a time per page.
        enabled = hasDocument() && !m_commands->printing();
        break;
    default:
        return 0;
    }
    if (m_page && m_page->rendererDead())
        enabled = false;
    return OleCmd::Supported | (enabled ? OleCmd::Enabled : 0);
}

void TWebBrowser::ExecWB(int command, int)
{
    const int status = TWebBrowser::QueryStatusWB(command);
    if (status == 0)
        throw Error(QStringLiteral("不支持的命令：%1").arg(command));
    if (!(status & OleCmd::Enabled))
        throw Error(QStringLiteral("命令现在不可用：%1").arg(command));
    switch (command) {
    case OleCmd::SaveAs:
        m_commands->save();
        break;
    case OleCmd::PageSetup:
        m_commands->pageSetup();
        break;
    case OleCmd::PrintPreview:
        m_commands->preview();
        break;
    case OleCmd::Print:
        m_commands->print();
        break;
    default:
        m_page->triggerAction(webAction(command));
        break;
    }
}
