#include "SilentPage.h"

#include "Appearance.h"
#include "PageNotice.h"
#include "Palette.h"
#include "RendererRecovery.h"
#include "WebProfile.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaMethod>
#include <QUuid>
#include <QWebEngineCertificateError>
#include <QWebEngineDownloadRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

namespace {

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

SilentPage::SilentPage(Session session, QObject* parent)
    : QWebEnginePage(session == Session::Separate ? WebProfile::createSeparate()
                                                  : WebProfile::shared(),
                     parent),
      m_focusToken(
          QStringLiteral("veritome-focus-%1:").arg(QUuid::createUuid().toString(QUuid::Id128)))
{
    // A child is deleted after its parent's own destructor has run: the profile outlives
    // the page, as the engine requires, wherever the page ends.
    if (session == Session::Separate)
        profile()->setParent(this);
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
    connect(this, &QWebEnginePage::loadStarted, this, [this] {
        setFocusKind(FocusKind::None);
        if (!m_noticeLoading)
            m_noticeFor.clear();
    });
    connect(this, &QWebEnginePage::loadFinished, this, [this](bool ok) {
        if (m_noticeLoading)
            m_noticeLoading = false;
        else
            emit documentComplete(ok);
    });
    connect(this, &QWebEnginePage::loadingChanged, this, &SilentPage::loadEnded);
    // In a dark window a view is dark until its first page comes in, not a white flash;
    // from then on a page without colours of its own is white, as its author made it,
    // unless the engine darkens such pages.
    const Palette::Look look = Palette::lookOf(QGuiApplication::palette());
    if (look.dark || look.highContrast) {
        setBackgroundColor(Palette::pageColours(look).background);
        if (!Appearance::enginePagesDarkened())
            connect(this, &QWebEnginePage::urlChanged, this,
                    [this] { setBackgroundColor(Qt::white); }, Qt::SingleShotConnection);
    }
    m_recovery = new RendererRecovery(this);
    connect(m_recovery, &RendererRecovery::deadChanged, this, &SilentPage::stateChanged);
    connect(m_recovery, &RendererRecovery::stoppedAnswering, this,
            [this] { showNotice(url(), PageNotice::stoppedAnswering()); });
}

void SilentPage::setSourceName(const QString& name)
{
    if (!name.isEmpty())
        m_recovery->watchForHangs();
    m_sourceName = name;
}

bool SilentPage::rendererDead() const { return m_recovery->dead(); }

void SilentPage::loadEnded(const QWebEngineLoadingInfo& info)
{
    if (info.status() != QWebEngineLoadingInfo::LoadFailedStatus || !info.isErrorPage()
        || m_sourceName.isEmpty())
        return;
    const QUrl address = info.url();
    const QString problem = PageNotice::loadProblem(info);
    QMetaObject::invokeMethod(
        this, [this, address, problem] { showNotice(address, problem); }, Qt::QueuedConnection);
}

// The notice takes the address it stands for as its own: the tab still shows where its
// page should have come from.
void SilentPage::showNotice(const QUrl& address, const QString& problem)
{
    m_noticeLoading = true;
    m_noticeFor = address;
    setHtml(PageNotice::html(m_sourceName, address, problem), address);
}

void SilentPage::triggerAction(WebAction action, bool checked)
{
    // The engine's own save waits for somebody to accept its download; the page's
    // save command asks where to write and writes it.
    if (action == SavePage) {
        emit saveRequested();
        return;
    }
    // The engine would reload the notice, not the page it stands for.
    if (action == Reload && m_noticeFor.isValid()) {
        runJavaScript(PageNotice::clearScript(), QWebEngineScript::ApplicationWorld);
        load(m_noticeFor);
        return;
    }
    QWebEnginePage::triggerAction(action, checked);
}

bool SilentPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    // A page outlives its browser while the engine finishes a print job from it; it goes
    // nowhere then.
    if (!isSignalConnected(QMetaMethod::fromSignal(&SilentPage::beforeNavigate)))
        return false;
    // The program's own notice is not a navigation of the page's.
    if (m_noticeLoading && isMainFrame && url.scheme() == QLatin1String("data"))
        return true;
    bool cancel = false;
    emit beforeNavigate(url.toString(QUrl::FullyEncoded), &cancel);
    if (cancel)
        return false;
    return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}

void SilentPage::javaScriptAlert(const QUrl& origin, const QString& message)
{
    if (!silent)
        QWebEnginePage::javaScriptAlert(origin, message);
}

bool SilentPage::javaScriptConfirm(const QUrl& origin, const QString& message)
{
    // The engine asks its leave-page question through here too, in its own words. A
    // silent "cancel" would keep the user on a page with an unload handler for good.
    if (silent)
        return message == leavePageQuestion();
    return QWebEnginePage::javaScriptConfirm(origin, message);
}

bool SilentPage::javaScriptPrompt(const QUrl& origin, const QString& message,
                                  const QString& defaultValue, QString* result)
{
    return !silent && QWebEnginePage::javaScriptPrompt(origin, message, defaultValue, result);
}

QStringList SilentPage::chooseFiles(FileSelectionMode mode, const QStringList& oldFiles,
                                    const QStringList& acceptedMimeTypes)
{
    if (silent)
        return {};
    return QWebEnginePage::chooseFiles(mode, oldFiles, acceptedMimeTypes);
}

void SilentPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level,
                                          const QString& message, int line, const QString& source)
{
    if (!message.startsWith(m_focusToken)) {
        QWebEnginePage::javaScriptConsoleMessage(level, message, line, source);
        return;
    }
    const int kind = QStringView(message).mid(m_focusToken.size()).toInt();
    if (kind >= int(FocusKind::None) && kind <= int(FocusKind::RichText))
        setFocusKind(FocusKind(kind));
}

QString SilentPage::leavePageQuestion()
{
    return QCoreApplication::translate("QWebEnginePage",
                                       "Are you sure you want to leave this page? Changes "
                                       "that you made may not be saved.");
}

void SilentPage::setFocusKind(FocusKind kind)
{
    if (kind == m_focusKind)
        return;
    m_focusKind = kind;
    emit stateChanged();
}
