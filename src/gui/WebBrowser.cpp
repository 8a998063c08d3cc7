#include "WebBrowser.h"

#include "Application.h"
#include "Error.h"
#include "PageCommands.h"

#include <QAuthenticator>
#include <QVBoxLayout>
#include <QWebEngineCertificateError>
#include <QWebEngineDownloadRequest>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>

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
    }

    bool silent = false;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override
    {
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
        return !silent && QWebEnginePage::javaScriptConfirm(origin, message);
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

private:
    TWebBrowser* m_browser;
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
    m_view = new QWebEngineView(this);
    m_page = new SilentPage(this, m_view);
    m_page->settings()->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    m_view->setPage(m_page);
    layout->addWidget(m_view);
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
}

// The page is a child of the view, so it goes before the profile it uses.
TWebBrowser::~TWebBrowser() = default;

bool TWebBrowser::Silent() const { return m_page->silent; }

void TWebBrowser::setSilent(bool silent) { m_page->silent = silent; }

void TWebBrowser::Navigate(const QString& url)
{
    const QUrl address(url);
    if (!address.isValid() || address.isRelative())
        throw Error(QStringLiteral("无法打开地址：%1").arg(url));
    m_view->load(address);
}

void TWebBrowser::Navigate(const QString& url, const QVariant&, const QVariant&, const QVariant&,
                           const QVariant&)
{
    // Flags, target frame, post data and headers are always empty here.
    Navigate(url);
}

QString TWebBrowser::LocationURL() const { return m_page->url().toString(); }

bool TWebBrowser::pageActionEnabled(int command) const
{
    const QWebEnginePage::WebAction action = webAction(command);
    return action != QWebEnginePage::NoWebAction && m_page->action(action)->isEnabled();
}

// A committed navigation, even to an error page, leaves an entry in the history.
bool TWebBrowser::hasDocument() const { return m_page->history()->count() > 0; }

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
    case OleCmd::Cut:
    case OleCmd::Copy:
    case OleCmd::Paste:
    case OleCmd::SelectAll:
        enabled = pageActionEnabled(command);
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
