#include "WebBrowser.h"

#include "Application.h"
#include "Error.h"
#include "PageCommands.h"

#include <QAuthenticator>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QUuid>
#include <QVBoxLayout>
#include <QWebEngineCertificateError>
#include <QWebEngineDownloadRequest>
#include <QWebEngineHistory>
#include <QWebEngineNewWindowRequest>
#include <QPointer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

// What has the keyboard inside the page, as the focus script reports it.
enum class FocusKind { None = 0, TextField = 1, Password = 2, RichText = 3 };

// Reports what has the page's focus each time it moves, and once when the document is
// ready. It runs in the program's own script world, so the page can neither see nor
// change it; the token keeps the page's own console output from passing for its reports.
QString focusScriptSource(const QString& token)
{
    return QStringLiteral(R"JS((function () {
    function kind(e) {
        while (e && e.shadowRoot && e.shadowRoot.activeElement)
            e = e.shadowRoot.activeElement;
        if (!e)
            return 0;
        if (e.isContentEditable)
            return 3;
        if (e.disabled || e.readOnly)
            return 0;
        if (e.localName === 'textarea')
            return 1;
        if (e.localName === 'input') {
            if (e.type === 'password')
                return 2;
            return ['text', 'search', 'url', 'tel', 'email', 'number'].includes(e.type) ? 1 : 0;
        }
        return 0;
    }
    let last = -1;
    function report() {
        const e = document.activeElement;
        // A frame reports for itself what has its focus.
        if (e && (e.localName === 'iframe' || e.localName === 'frame')) {
            last = -1;
            return;
        }
        const k = kind(e);
        if (k !== last) {
            last = k;
            console.debug('%1' + k);
        }
    }
    // Once the focus has settled: during focusout the document has no active element yet.
    document.addEventListener('focusin', () => setTimeout(report), true);
    document.addEventListener('focusout', () => setTimeout(report), true);
    // A script may move the focus while the view does not have the keyboard; no focus
    // event comes then, but the caret moves.
    document.addEventListener('selectionchange', report);
    report();
})();)JS")
        .arg(token);
}

} // namespace

class SilentPage : public QWebEnginePage {
public:
    SilentPage(TWebBrowser* browser, QObject* parent)
        : QWebEnginePage(QWebEngineProfile::defaultProfile(), parent), m_browser(browser)
    {
        // Every search asks for new addresses, so a cached page is seldom asked for again;
        // a small in-memory cache keeps a long session's memory from creeping up.
        constexpr int httpCacheBytes = 4 * 1024 * 1024;
        if (profile()->httpCacheMaximumSize() != httpCacheBytes)
            profile()->setHttpCacheMaximumSize(httpCacheBytes);
        // Left alone, the engine sends no Accept-Language at all.
        if (profile()->httpAcceptLanguage() != App::acceptLanguage)
            profile()->setHttpAcceptLanguage(App::acceptLanguage);
        connect(this, &QWebEnginePage::certificateError, this,
                [this](const QWebEngineCertificateError& error) {
                    if (silent)
                        const_cast<QWebEngineCertificateError&>(error).rejectCertificate();
                });
        connect(this, &QWebEnginePage::authenticationRequired, this,
                [this](const QUrl&, QAuthenticator* authenticator) {
                    if (silent)
                        *authenticator = QAuthenticator();
                });
        connect(this, &QWebEnginePage::proxyAuthenticationRequired, this,
                [this](const QUrl&, QAuthenticator* authenticator, const QString&) {
                    if (silent)
                        *authenticator = QAuthenticator();
                });
        connect(profile(), &QWebEngineProfile::downloadRequested, this,
                [this](QWebEngineDownloadRequest* download) {
                    if (silent && download->page() == this && !download->isSavePageDownload()
                        && download->state() == QWebEngineDownloadRequest::DownloadRequested)
                        download->cancel();
                });
        // A link for a new window, or a page's window.open, loads in this view: no window
        // of the engine's own ever appears, and the navigation passes BeforeNavigate2 as
        // any other does. The engine drops the new page it made for the request.
        connect(this, &QWebEnginePage::newWindowRequested, this,
                [this](QWebEngineNewWindowRequest& request) {
                    const QUrl url = request.requestedUrl();
                    if (url.isValid() && !url.isEmpty())
                        load(url);
                });

        QWebEngineScript focusScript;
        focusScript.setName(QStringLiteral("veritome-focus"));
        focusScript.setWorldId(QWebEngineScript::ApplicationWorld);
        focusScript.setInjectionPoint(QWebEngineScript::DocumentReady);
        focusScript.setRunsOnSubFrames(true);
        focusScript.setSourceCode(focusScriptSource(m_focusToken));
        scripts().insert(focusScript);
        connect(this, &QWebEnginePage::loadStarted, this, [this] { setFocusKind(FocusKind::None); });
    }

    bool silent = false;
    FocusKind focusKind() const { return m_focusKind; }

    void triggerAction(WebAction action, bool checked = false) override
    {
        // The engine's own save waits for somebody to accept its download; the page's
        // save command asks where to write and writes it.
        if (action == SavePage) {
            if (m_browser)
                App::guarded([this] { m_browser->ExecWB(OleCmd::SaveAs); });
            return;
        }
        QWebEnginePage::triggerAction(action, checked);
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override
    {
        // A page outlives its browser while the engine finishes a print job from it.
        if (!m_browser)
            return false;
        bool cancel = false;
        emit m_browser->BeforeNavigate2(url.toString(QUrl::FullyEncoded), &cancel);
        if (cancel)
            return false;
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    }

    void javaScriptAlert(const QUrl& origin, const QString& message) override
    {
        if (!silent)
            QWebEnginePage::javaScriptAlert(origin, message);
    }

    bool javaScriptConfirm(const QUrl& origin, const QString& message) override
    {
        // The engine asks its leave-page question through here too, in its own words. A
        // silent "cancel" would keep the user on a page with an unload handler for good.
        if (silent)
            return message == leavePageQuestion();
        return QWebEnginePage::javaScriptConfirm(origin, message);
    }

    bool javaScriptPrompt(const QUrl& origin, const QString& message, const QString& defaultValue,
                          QString* result) override
    {
        return !silent && QWebEnginePage::javaScriptPrompt(origin, message, defaultValue, result);
    }

    QStringList chooseFiles(FileSelectionMode mode, const QStringList& oldFiles,
                            const QStringList& acceptedMimeTypes) override
    {
        if (silent)
            return {};
        return QWebEnginePage::chooseFiles(mode, oldFiles, acceptedMimeTypes);
    }

    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int line, const QString& source) override
    {
        if (!message.startsWith(m_focusToken)) {
            QWebEnginePage::javaScriptConsoleMessage(level, message, line, source);
            return;
        }
        const int kind = QStringView(message).mid(m_focusToken.size()).toInt();
        if (kind >= int(FocusKind::None) && kind <= int(FocusKind::RichText))
            setFocusKind(FocusKind(kind));
    }

private:
    static QString leavePageQuestion()
    {
        return QCoreApplication::translate("QWebEnginePage",
                                           "Are you sure you want to leave this page? Changes "
                                           "that you made may not be saved.");
    }

    void setFocusKind(FocusKind kind)
    {
        if (kind == m_focusKind)
            return;
        m_focusKind = kind;
        if (m_browser)
            emit m_browser->CommandStateChange();
    }

    QPointer<TWebBrowser> m_browser;
    const QString m_focusToken =
        QStringLiteral("veritome-focus-%1:").arg(QUuid::createUuid().toString(QUuid::Id128));
    FocusKind m_focusKind = FocusKind::None;
};

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

TWebBrowser::TWebBrowser(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void TWebBrowser::createView()
{
    m_view = new QWebEngineView(this);
    m_page = new SilentPage(this, m_view);
    m_page->silent = m_silent;
    m_page->settings()->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    m_view->setPage(m_page);
    layout()->addWidget(m_view);
    setFocusProxy(m_view);
    m_commands = new PageCommands(m_view);

    connect(m_page, &QWebEnginePage::loadFinished, this, &TWebBrowser::DocumentComplete);
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

    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            &TWebBrowser::rendererTerminated);
    connect(m_page, &QWebEnginePage::renderProcessPidChanged, this, &TWebBrowser::checkRenderer);
    connect(m_page, &QWebEnginePage::loadFinished, this, &TWebBrowser::checkRenderer);

    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view, &QWidget::customContextMenuRequested, this, &TWebBrowser::showContextMenu);
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

void TWebBrowser::Navigate(const QString& url)
{
    const QUrl address(url);
    if (!address.isValid() || address.isRelative())
        throw Error(QStringLiteral("无法打开地址：%1").arg(url));
    if (!m_view)
        createView();
    m_view->load(address);
}

void TWebBrowser::Navigate(const QString& url, const QVariant&, const QVariant&, const QVariant&,
                           const QVariant&)
{
    // Flags, target frame, post data and headers are always empty here.
    Navigate(url);
}

QString TWebBrowser::LocationURL() const { return m_page ? m_page->url().toString() : QString(); }

// All views share one renderer, so when it dies every page goes blank at once. Each view
// loads its page again, once: a page that kills its renderer right after that reload would
// otherwise take every view into an endless loop of reloads.
void TWebBrowser::rendererTerminated()
{
    m_pageDead = true;
    emit CommandStateChange();
    constexpr qint64 recoveryQuietMs = 30000;
    if (m_recovered.isValid() && m_recovered.elapsed() < recoveryQuietMs)
        return;
    m_recovered.start();
    // Not from inside the engine's report of the death.
    QMetaObject::invokeMethod(
        this, [this] { m_page->triggerAction(QWebEnginePage::Reload); }, Qt::QueuedConnection);
}

void TWebBrowser::checkRenderer()
{
    if (!m_pageDead || m_page->renderProcessPid() == 0)
        return;
    m_pageDead = false;
    emit CommandStateChange();
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
    if (m_pageDead)
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
