#pragma once

#include <QPointer>
#include <QVariant>
#include <QWidget>
#include <memory>

class PageCommands;
class PageSettings;
class QMenu;
class QWebEngineView;
class SilentPage;

// Command ids and flags of the browser control's command interface.
namespace OleCmd {
enum Id {
    SaveAs = 4,
    Print = 6,
    PrintPreview = 7,
    PageSetup = 8,
    Cut = 11,
    Copy = 12,
    Paste = 13,
    SelectAll = 17,
};
enum Flag { Supported = 1, Enabled = 2, Latched = 4, Ninched = 8 };
enum ExecOption { DoDefault = 0 };
} // namespace OleCmd

// The embedded web browser control: Qt WebEngine behind the handful of operations the
// program uses, and nothing more. The engine's view is made at the first Navigate: the
// first view starts the whole engine, which must not hold up the window's first paint.
class TWebBrowser : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Tag READ Tag WRITE setTag)

public:
    // A view of its own keeps its own page settings; a window hands the one it shares to
    // every view it makes.
    explicit TWebBrowser(QWidget* parent = nullptr);
    TWebBrowser(std::shared_ptr<PageSettings> pageSettings, QWidget* parent);
    ~TWebBrowser() override;

    int Tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

    bool Resizable() const { return m_resizable; }
    void setResizable(bool resizable) { m_resizable = resizable; }

    // While silent, no dialog of the page's own (script boxes, certificate or login
    // prompts, file choosers, downloads) reaches the user.
    bool Silent() const;
    void setSilent(bool silent);

    // A browser that stays while others come and go keeps its page in a browsing session
    // of its own, apart from theirs: its cookies, cache and network state go with the page
    // when it is released. Takes effect at the first Navigate.
    void setSeparateSession(bool separate) { m_separateSession = separate; }

    // While the browser is behind another tab, its page lays out at the size of this area,
    // the one it will be shown in. Takes effect at the first Navigate.
    void setHiddenSizeFrom(QWidget* area) { m_hiddenSizeFrom = area; }

    // A result view names the source its pages come from: a page that cannot load, or
    // whose renderer stops answering, gives way to a notice that names the source.
    void setSourceName(const QString& name);

    // The page and its renderer go, and what the engine held for them; the next Navigate
    // starts afresh.
    void ReleasePage();

    // Start loading and return at once. Throws Error when the address is refused.
    void Navigate(const QString& url);
    void Navigate(const QString& url, const QVariant& flags, const QVariant& targetFrameName,
                  const QVariant& postData, const QVariant& headers);

    // The command's status as OleCmd flags, read from the engine each time: Supported |
    // Enabled (3) when it can run now, Supported alone when not, 0 for an unknown command.
    virtual int QueryStatusWB(int command) const;
    // Carries the command out the engine's default way, with its own dialog where it has
    // one. Throws Error for a command that is unknown or cannot run now.
    virtual void ExecWB(int command, int option = OleCmd::DoDefault);

    QString LocationURL() const;
    // A load of the page has started and not yet ended.
    bool isLoading() const { return m_loading; }
    // Loads the page again: the page a notice stands for, in its place.
    void Refresh();

    // The page set-up, save folder and dialog runner its page commands use.
    PageSettings& pageSettings() const { return *m_pageSettings; }

signals:
    // Every navigation start, sub-frames and redirects included; set *cancel to stop it.
    void BeforeNavigate2(const QString& url, bool* cancel);
    void DocumentComplete(bool ok);
    void TitleChange(const QString& text);
    // Something that QueryStatusWB answers may have changed.
    void CommandStateChange();
    // The page has started or ended a load.
    void loadingChanged(bool loading);
    // The page's own menu is about to open, with the engine's entries in it.
    void contextMenuAboutToShow(QMenu* menu);

public:
    // The engine's view, for what the window does with its pages beyond the commands
    // above (find, zoom, history). None until the first Navigate.
    QWebEngineView* engineView() const { return m_view; }

    // The engine's view of a browser that may be none.
    static QWebEngineView* engineViewOf(const TWebBrowser* browser)
    {
        return browser ? browser->m_view : nullptr;
    }

private:
    void createView();
    void setLoading(bool loading);
    bool pageActionEnabled(int command) const;
    bool hasDocument() const;
    bool editableFocus() const;
    bool canPaste() const;
    void focusFrame();
    void showContextMenu(const QPoint& position);

    std::shared_ptr<PageSettings> m_pageSettings;
    QWebEngineView* m_view = nullptr;
    SilentPage* m_page = nullptr;
    PageCommands* m_commands = nullptr;
    int m_tag = 0;
    bool m_resizable = false;
    bool m_loading = false;
    bool m_silent = false;
    bool m_separateSession = false;
    QString m_sourceName;
    QPointer<QWidget> m_hiddenSizeFrom;
};
