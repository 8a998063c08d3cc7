#include "ResultTabs.h"

#include "Accessibility.h"
#include "Glyphs.h"
#include "PageInput.h"
#include "PageZoom.h"
#include "QueryBox.h"
#include "WebBrowser.h"

#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QMenu>
#include <QLayout>
#include <QShortcut>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWebEngineView>

ResultTabs::ResultTabs(QWidget* owner, QTabWidget* pages, QWidget* banner, QComboBox* queryBox,
                       std::shared_ptr<PageSettings> pageSettings, PageZoom* zoom)
    : QObject(owner),
      m_owner(owner),
      m_pages(pages),
      m_banner(banner),
      m_queryBox(queryBox),
      m_pageSettings(std::move(pageSettings)),
      m_zoom(zoom),
      m_loadingMark(Glyphs::loading()),
      m_blankMark(Glyphs::blank())
{
    connect(m_pages, &QTabWidget::currentChanged, this, &ResultTabs::changed);
    connect(m_pages, &QTabWidget::currentChanged, this, &ResultTabs::activeChanged);
    m_pages->installEventFilter(this);
    // Wherever the keyboard is in the window, the query box included.
    auto* refresh = new QShortcut(QKeySequence::Refresh, m_owner);
    refresh->setContext(Qt::WindowShortcut);
    connect(refresh, &QShortcut::activated, this, [this] {
        if (TWebBrowser* browser = activeBrowser())
            browser->Refresh();
    });
}

// A search shows the tab control before its tabs are in. The banner follows the tab
// control's own setting, not the event: the tab control also has hide events when the
// whole window hides, and the banner must not come forward then.
bool ResultTabs::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pages && (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
        if (m_banner)
            m_banner->setVisible(m_pages->isHidden());
        tellArea();
    }
    return QObject::eventFilter(watched, event);
}

bool ResultTabs::tabsShown() const { return !m_pages->isHidden(); }

// A hidden window's controls hear nothing of their showing and hiding; the area is told
// wherever it may have turned.
void ResultTabs::tellArea()
{
    if (tabsShown() == m_areaTold)
        return;
    m_areaTold = tabsShown();
    emit areaChanged(m_areaTold);
}

QWidget* ResultTabs::addPage()
{
    ++m_pageSerial;
    auto* tab = new QWidget(m_owner);
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);
    m_pages->addTab(tab, m_blankMark, QString());
    emit changed();
    return tab;
}

TWebBrowser* ResultTabs::createBrowser(QWidget* tab, const QString& caption)
{
    m_pages->setTabText(m_pages->indexOf(tab), caption);
    tab->setProperty("Tag", m_pageSerial);
    auto* browser = new TWebBrowser(m_pageSettings, m_owner);
    browser->setResizable(true);
    browser->setSilent(true);
    browser->setSourceName(caption);
    // The tab control's own stack of pages, where every tab is shown at the same size.
    browser->setHiddenSizeFrom(
        m_pages->findChild<QStackedWidget*>(QString(), Qt::FindDirectChildrenOnly));
    // Heard as the tab reads, and with the page's title once there is one.
    Accessibility::setRole(browser, QAccessible::Grouping);
    browser->setAccessibleName(caption);
    connect(browser, &TWebBrowser::TitleChange, browser, [browser, caption](const QString& title) {
        browser->setAccessibleName(title.isEmpty() ? caption
                                                   : caption + QStringLiteral("：") + title);
    });
    return browser;
}

TWebBrowser* ResultTabs::open(const QString& caption)
{
    QWidget* tab = addPage();
    TWebBrowser* browser = createBrowser(tab, caption);
    browser->setParent(tab);
    // The layout shows the view once the search has returned: the first view to be seen
    // sets up its drawing then, instead of holding up the remaining navigations.
    tab->layout()->addWidget(browser);
    browser->setTag(m_pageSerial);
    follow(browser);
    return browser;
}

void ResultTabs::follow(TWebBrowser* browser)
{
    connect(browser, &TWebBrowser::CommandStateChange, this, &ResultTabs::changed);
    connect(browser, &TWebBrowser::loadingChanged, this,
            [this, browser](bool loading) { showLoading(browser, loading); });
}

void ResultTabs::setUpPage(TWebBrowser* browser, const QString& caption)
{
    QWebEngineView* view = browser->engineView();
    if (!view)
        return;
    m_zoom->attach(view);
    auto* input = new PageInput(view);
    connect(input, &PageInput::zoomRequested, m_zoom, &PageZoom::step);
    followPage(browser, caption);
}

// What a page tells the tab set it is in; a page that moves to another set tells that one.
void ResultTabs::followPage(TWebBrowser* browser, const QString& caption)
{
    if (auto* input = browser->engineView()->findChild<PageInput*>()) {
        connect(input, &PageInput::backRequested, this, &ResultTabs::backRequested);
        connect(input, &PageInput::forwardRequested, this, &ResultTabs::forwardRequested);
    }
    connect(browser, &TWebBrowser::contextMenuAboutToShow, this,
            [this, browser](QMenu* menu) { emit pageMenuAboutToShow(browser, menu); });
    connect(browser, &TWebBrowser::DocumentComplete, this, [this, browser, caption](bool ok) {
        Accessibility::announce(m_owner, caption + (ok ? QStringLiteral("：页面已载入")
                                                       : QStringLiteral("：页面无法载入")));
        if (activeBrowser() == browser)
            emit activePageLoaded();
    });
}

// Each tab keeps its page as it is, loaded or on its way, and gets a number of this set.
void ResultTabs::adoptAll(ResultTabs& from)
{
    const int active = from.m_pages->currentIndex();
    const int first = m_pages->count();
    while (from.m_pages->count() > 0) {
        QWidget* tab = from.m_pages->widget(0);
        const QString caption = from.m_pages->tabText(0);
        const QIcon mark = from.m_pages->tabIcon(0);
        auto* browser = tab->findChild<TWebBrowser*>();
        from.m_pages->removeTab(0);
        ++m_pageSerial;
        tab->setProperty("Tag", m_pageSerial);
        m_pages->addTab(tab, mark, caption);
        if (!browser)
            continue;
        browser->disconnect(&from);
        browser->setTag(m_pageSerial);
        follow(browser);
        if (QWebEngineView* view = browser->engineView()) {
            if (auto* input = view->findChild<PageInput*>())
                input->disconnect(&from);
            followPage(browser, caption);
        }
    }
    if (active >= 0)
        m_pages->setCurrentIndex(first + active);
    emit from.changed();
    emit changed();
    activeChanged();
}

// A tab whose page is on its way carries a mark, as in a web browser.
void ResultTabs::showLoading(TWebBrowser* browser, bool loading)
{
    const int index = m_pages->indexOf(browser->parentWidget());
    if (index < 0)
        return;
    m_pages->setTabIcon(index, loading ? m_loadingMark : m_blankMark);
    if (index == m_pages->currentIndex())
        emit activeLoadingChanged(loading);
}

void ResultTabs::activeChanged()
{
    const TWebBrowser* browser = activeBrowser();
    emit activeLoadingChanged(browser && browser->isLoading());
}

TWebBrowser* ResultTabs::activeBrowser() const
{
    if (m_pages->count() == 0)
        return nullptr;
    const int tag = m_pages->currentWidget()->property("Tag").toInt();
    TWebBrowser* result = nullptr;
    for (TWebBrowser* browser : m_owner->findChildren<TWebBrowser*>())
        if (browser->Tag() == tag)
            result = browser;
    return result;
}

void ResultTabs::prior()
{
    const int i = m_pages->currentIndex();
    if (i > 0)
        m_pages->setCurrentIndex(i - 1);
}

void ResultTabs::next()
{
    const int i = m_pages->currentIndex();
    if (i < m_pages->count() - 1)
        m_pages->setCurrentIndex(i + 1);
}

void ResultTabs::closeActive()
{
    delete activeBrowser();
    if (m_pages->count() > 0)
        destroyTab(m_pages->currentIndex());
    refreshArea();
}

void ResultTabs::closeAll()
{
    for (int i = m_pages->count() - 1; i >= 0; --i)
        destroyTab(i);
}

void ResultTabs::refreshArea()
{
    m_pages->setVisible(m_pages->count() > 0);
    if (m_banner)
        m_banner->setVisible(m_pages->isHidden());
    tellArea();
    // The focus went with the last tab; typing goes on in the query box, and the next
    // term typed replaces the last.
    if (m_pages->isHidden() && m_queryBox)
        QueryBox::takeKeyboard(m_queryBox);
}

// When the active tab goes, the one after it takes its place; after the last, the first.
void ResultTabs::destroyTab(int index)
{
    // Qt would pick the tab before the last one; the first is chosen beforehand instead,
    // so that no other page is shown on the way.
    if (index == m_pages->currentIndex() && index == m_pages->count() - 1 && index > 0)
        m_pages->setCurrentIndex(0);
    QWidget* tab = m_pages->widget(index);
    m_pages->removeTab(index);
    delete tab;
    emit changed();
}
