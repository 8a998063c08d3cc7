#include "Banner.h"

#include "Application.h"
#include "WebBrowser.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

Banner::Banner(TWebBrowser* view, QWidget* panel, QWidget* window, const QString& address,
               const QString& fallbackAddress)
    : QObject(view),
      m_view(view),
      m_panel(panel),
      m_window(window),
      m_address(address),
      m_fallbackAddress(fallbackAddress)
{
    // The banner stays while the result pages come and go with the searches: with a
    // session of its own, the engine can end their renderer and what it has grown.
    m_view->setSeparateSession(true);
    connect(m_view, &TWebBrowser::DocumentComplete, this, &Banner::loaded);
    // Not at once: the moment it is covered, the pages in front of it are loading, and it
    // may well come forward again straight away.
    constexpr int restDelayMs = 1000;
    m_restTimer = new QTimer(this);
    m_restTimer->setSingleShot(true);
    m_restTimer->setInterval(restDelayMs);
    connect(m_restTimer, &QTimer::timeout, this, &Banner::restIfCovered);
    m_panel->installEventFilter(this);
    m_window->installEventFilter(this);
    // A window that is not shown by then paints nothing to wait for.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_window->isVisible())
                loadFirst();
        },
        Qt::QueuedConnection);
}

// A search made before the first paint has covered the banner already: it waits until it
// comes forward.
void Banner::loadFirst()
{
    if (m_state != State::Waiting)
        return;
    // The window's events told of its first paint; the rest are not needed.
    m_window->removeEventFilter(this);
    if (covered())
        m_state = State::Resting;
    else
        load();
}

// The panel also has hide events when the whole window hides; only its own setting
// counts.
bool Banner::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && event->type() == QEvent::Paint && m_state == State::Waiting)
        QMetaObject::invokeMethod(this, &Banner::loadFirst, Qt::QueuedConnection);
    if (watched == m_panel && event->type() == QEvent::Hide && covered())
        m_restTimer->start();
    if (watched == m_panel && event->type() == QEvent::Show && m_state == State::Resting)
        load();
    return QObject::eventFilter(watched, event);
}

void Banner::rest()
{
    m_restTimer->stop();
    const bool hadPage = m_state == State::Loading || m_state == State::Shown;
    m_state = State::Resting;
    if (hadPage)
        m_view->ReleasePage();
}

bool Banner::covered() const { return m_panel->isHidden(); }

void Banner::load()
{
    m_state = State::Loading;
    App::guarded([this] { m_view->Navigate(m_address); });
}

// A banner that cannot be reached gives way to the built-in start page, once.
void Banner::loaded(bool ok)
{
    if (!ok && m_address != m_fallbackAddress) {
        m_address = m_fallbackAddress;
        load();
        return;
    }
    m_state = State::Shown;
    restIfCovered();
}

// A load cut short would count as a banner that cannot be reached, so a page still
// loading is left to finish; its end comes back here.
void Banner::restIfCovered()
{
    if (!m_resting || m_state != State::Shown || !covered() || m_restTimer->isActive())
        return;
    m_state = State::Resting;
    m_view->ReleasePage();
}
