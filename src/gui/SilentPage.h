#pragma once

#include <QPointer>
#include <QString>
#include <QWebEnginePage>

class TWebBrowser;

// What has the keyboard inside the page, as the focus script reports it.
enum class FocusKind { None = 0, TextField = 1, Password = 2, RichText = 3 };

// The page inside a TWebBrowser. While silent, none of the page's own dialogs reaches the
// user; every navigation passes the browser's BeforeNavigate2; and it tells the browser
// what has its keyboard focus, which decides the editing commands' state.
class SilentPage : public QWebEnginePage {
public:
    // A separate page has a profile of its own (WebProfile::createSeparate), which goes
    // with the page.
    enum class Session { Shared, Separate };
    SilentPage(TWebBrowser* browser, Session session, QObject* parent);

    bool silent = false;
    FocusKind focusKind() const { return m_focusKind; }

    void triggerAction(WebAction action, bool checked = false) override;

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

    QPointer<TWebBrowser> m_browser;
    const QString m_focusToken;
    FocusKind m_focusKind = FocusKind::None;
};
