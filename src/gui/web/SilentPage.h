#pragma once

#include <QString>
#include <QUrl>
#include <QWebEnginePage>

class RendererRecovery;

// What has the keyboard inside the page, as the focus script reports it.
enum class FocusKind { None = 0, TextField = 1, Password = 2, RichText = 3 };

// The page inside a TWebBrowser. While silent, none of the page's own dialogs reaches the
// user; every navigation is offered to beforeNavigate first; it knows what has its
// keyboard focus, which decides the editing commands' state; and a named page whose
// renderer stops answering (RendererRecovery), or which cannot load, shows a notice of the
// program's own instead.
class SilentPage : public QWebEnginePage {
    Q_OBJECT

public:
    // A separate page has a profile of its own (WebProfile::createSeparate), which goes
    // with the page.
    enum class Session { Shared, Separate };
    SilentPage(Session session, QObject* parent);

    bool silent = false;
    FocusKind focusKind() const { return m_focusKind; }
    // Its renderer died and no new one has taken over yet: the page shows nothing.
    bool rendererDead() const;

    // The source a result page comes from. A named page is watched for a renderer that
    // stops answering, and a notice naming the source takes the place of a page that
    // cannot be shown.
    void setSourceName(const QString& name);
    // Reload loads the address a notice stands for in its place.
    void triggerAction(WebAction action, bool checked = false) override;

signals:
    // Every navigation start, sub-frames and redirects included; set *cancel to stop it.
    void beforeNavigate(const QString& url, bool* cancel);
    // A load has ended; a notice's own load does not count, the failure it reports did.
    void documentComplete(bool ok);
    // What has the focus, or whether the page has a renderer, changed.
    void stateChanged();
    // The engine's own save command was chosen.
    void saveRequested();

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptAlert(const QUrl& origin, const QString& message) override;
    bool javaScriptConfirm(const QUrl& origin, const QString& message) override;
    bool javaScriptPrompt(const QUrl& origin, const QString& message, const QString& defaultValue,
                          QString* result) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList& oldFiles,
                            const QStringList& acceptedMimeTypes) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int line, const QString& source) override;

private:
    static QString leavePageQuestion();
    void setFocusKind(FocusKind kind);
    void loadEnded(const QWebEngineLoadingInfo& info);
    void showNotice(const QUrl& address, const QString& problem);

    const QString m_focusToken;
    FocusKind m_focusKind = FocusKind::None;
    QString m_sourceName;
    RendererRecovery* m_recovery = nullptr;
    QUrl m_noticeFor;             // the address a shown notice stands for
    bool m_noticeLoading = false;
};
