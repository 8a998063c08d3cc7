#include "TabHistory.h"

#include "PageNotice.h"

#include <QWebEngineContextMenuRequest>
#include <QWebEngineHistory>
#include <QWebEngineView>

namespace TabHistory {

namespace {

const QString sourceScheme = QStringLiteral("view-source");

QUrl forBrowser(const QUrl& url)
{
    const QUrl page = pageOf(url);
    const QString scheme = page.scheme();
    if (page.isValid() && !page.host().isEmpty()
        && (scheme == QLatin1String("http") || scheme == QLatin1String("https")))
        return page;
    return {};
}

// A notice is no place to go back to, and neither is the page that could not be shown,
// which the notice took the place of: stepping through the history passes both over.
bool passedOver(const QList<QWebEngineHistoryItem>& items, qsizetype index)
{
    return PageNotice::isNoticeEntry(items[index].url())
        || (index + 1 < items.size() && PageNotice::isNoticeEntry(items[index + 1].url()));
}

// The entry a step back (-1) or forward (+1) goes to; -1 for none.
qsizetype stepTarget(const QWebEngineView* view, int direction)
{
    const QWebEngineHistory* history = view->history();
    const QList<QWebEngineHistoryItem> items = history->items();
    for (qsizetype i = history->currentItemIndex() + direction; i >= 0 && i < items.size();
         i += direction)
        if (!passedOver(items, i))
            return i;
    return -1;
}

void step(QWebEngineView* view, int direction)
{
    const qsizetype target = stepTarget(view, direction);
    if (target >= 0)
        view->history()->goToItem(view->history()->itemAt(int(target)));
}

} // namespace

bool isSourceView(const QUrl& url) { return url.scheme() == sourceScheme; }

QUrl pageOf(const QUrl& url)
{
    if (!isSourceView(url))
        return url;
    return QUrl(url.toString(QUrl::FullyEncoded).mid(sourceScheme.size() + 1), QUrl::StrictMode);
}

bool canGoBack(const QWebEngineView* view)
{
    return view && (isSourceView(view->url()) || stepTarget(view, -1) >= 0);
}

bool canGoForward(const QWebEngineView* view)
{
    return view && stepTarget(view, +1) >= 0;
}

// The source took the page's own entry; loading the page takes it back, and the entries
// before and after it stay as they were.
void back(QWebEngineView* view)
{
    if (!view)
        return;
    if (isSourceView(view->url()))
        view->load(pageOf(view->url()));
    else
        step(view, -1);
}

void forward(QWebEngineView* view)
{
    if (view)
        step(view, +1);
}

QUrl browserAddress(const QWebEngineView* view)
{
    return view ? forBrowser(view->url()) : QUrl();
}

QUrl linkAddress(const QWebEngineView* view)
{
    const QWebEngineContextMenuRequest* request = view ? view->lastContextMenuRequest() : nullptr;
    return request ? forBrowser(request->linkUrl()) : QUrl();
}

} // namespace TabHistory
