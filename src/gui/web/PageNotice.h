#pragma once

#include <QString>

class QUrl;
class QWebEngineLoadingInfo;

// The program's own page in a result tab whose page cannot be shown: which source, what
// went wrong, and a link that loads the address again. It stands in for the engine's error
// page, whose advice sends the user to a browser's settings that this program does not have.
namespace PageNotice {

// What went wrong with a load that ended on the engine's error page, in the user's words.
QString loadProblem(const QWebEngineLoadingInfo& failure);
// The page's script held its renderer until the renderer had to be ended.
QString stoppedAnswering();

QString html(const QString& source, const QUrl& address, const QString& problem);
// Run in a notice, takes it down at once: the page it stands for is on its way.
QString clearScript();
// A notice is shown as a page of its own, which leaves this kind of entry in a tab's
// history.
bool isNoticeEntry(const QUrl& entry);

} // namespace PageNotice
