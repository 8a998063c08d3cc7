#pragma once

#include <QUrl>

class QWebEngineView;

// Stepping through the pages one result tab has shown, and the addresses a page hands to
// the user's own web browser. The engine shows a page's source in place of the page
// itself, without an entry of its own: back from the source is the page again.
namespace TabHistory {

bool isSourceView(const QUrl& url);
// The page whose source the address shows; the address itself for any other.
QUrl pageOf(const QUrl& url);

// For no view, false.
bool canGoBack(const QWebEngineView* view);
bool canGoForward(const QWebEngineView* view);
void back(QWebEngineView* view);
void forward(QWebEngineView* view);

// The view's page as a web browser can open it (for a source view, the page itself);
// invalid where there is none or it is the program's own.
QUrl browserAddress(const QWebEngineView* view);
// The link under the pointer when the page's menu last opened; invalid for none.
QUrl linkAddress(const QWebEngineView* view);

} // namespace TabHistory
