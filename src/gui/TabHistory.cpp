#include "TabHistory.h"

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
    return view && (isSourceView(view->url()) || view->history()->canGoBack());
}

bool canGoForward(const QWebEngineView* view)
{
    return view && view->history()->canGoForward();
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
        view->back();
}

void forward(QWebEngineView* view)
{
    if (view)
        view->forward();
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
