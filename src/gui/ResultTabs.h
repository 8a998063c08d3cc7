#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

class PageSettings;
class PageZoom;
class QMenu;
class QComboBox;
class QTabWidget;
class QWidget;
class TWebBrowser;

// The result tabs of a window: one page of its tab control for every page a search opens,
// each holding one web view that carries the tab's number. The tabs and their views belong
// to the window; a view is found by its number alone. While no tab is open, the banner
// behind the tab control shows instead; whenever the tab control is up, the banner it
// covers counts as hidden, so that its page can rest.
class ResultTabs : public QObject {
    Q_OBJECT

public:
    // owner holds the tabs and views; pages lies in front of banner; queryBox takes the
    // focus when the last tab goes. A set without a banner or a query box leaves its area
    // empty and the focus where it is.
    ResultTabs(QWidget* owner, QTabWidget* pages, QWidget* banner, QComboBox* queryBox,
               std::shared_ptr<PageSettings> pageSettings, PageZoom* zoom);

    // The number of the newest tab: counts up for every tab of the run, never again.
    int pageSerial() const { return m_pageSerial; }

    // A new, empty tab at the end, numbered when its view is made.
    QWidget* addPage();
    // The view for a tab made by addPage: the tab gets its caption and number, the view
    // belongs to the owner and is not yet in the tab.
    TWebBrowser* createBrowser(QWidget* tab, const QString& caption);
    // A search's tab: addPage and createBrowser, the view placed in its tab and numbered.
    TWebBrowser* open(const QString& caption);
    // What every result page gets once its view has a page (after its first Navigate): the
    // one zoom of all pages, the mouse's back and forward buttons and Ctrl+wheel, its menu,
    // and its loads told to the screen reader and to whoever shows the active page.
    void setUpPage(TWebBrowser* browser, const QString& caption);

    // Every tab of the other set moves here, after those already here, its page and what
    // it shows kept: nothing is fetched again. The other set's active tab becomes active.
    void adoptAll(ResultTabs& from);

    // The view with the active tab's number (the last made, should there be several).
    TWebBrowser* activeBrowser() const;

    void prior();
    void next();
    void closeActive();
    // Every tab with its view, from the last to the first; the result area stays as it is.
    void closeAll();
    // The tabs show while there are any, the banner otherwise.
    void refreshArea();

    // Whether the area shows the tabs rather than the banner, by the tab control's own
    // setting: the tab control also hides and shows with the whole window.
    bool tabsShown() const;

signals:
    // The area has turned from the banner to the tabs, or back.
    void areaChanged(bool tabsShown);
    // The tabs, the active tab or the commands of a view may have changed.
    void changed();
    // The active tab's page has started or ended loading, or another tab became active.
    void activeLoadingChanged(bool loading);
    // The active tab's page has loaded anew.
    void activePageLoaded();
    // From a result page: back or forward with the mouse, and its menu about to show.
    void backRequested();
    void forwardRequested();
    void pageMenuAboutToShow(TWebBrowser* browser, QMenu* menu);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void destroyTab(int index);
    void tellArea();
    void follow(TWebBrowser* browser);
    void followPage(TWebBrowser* browser, const QString& caption);
    void showLoading(TWebBrowser* browser, bool loading);
    void activeChanged();

    QWidget* m_owner;
    QTabWidget* m_pages;
    // The window takes its controls apart before this goes, and the tab control may still
    // report its hiding on the way.
    QPointer<QWidget> m_banner;
    QComboBox* m_queryBox;
    std::shared_ptr<PageSettings> m_pageSettings;
    PageZoom* m_zoom;
    int m_pageSerial = 0;
    bool m_areaTold = false; // what areaChanged said last
    QIcon m_loadingMark;
    QIcon m_blankMark;
};
