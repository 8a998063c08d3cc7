#include "ShownProbe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <ctime>

namespace {

class ShownWatcher : public QObject {
public:
    explicit ShownWatcher(QWidget* window) : QObject(window), m_window(window)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_window) {
            // A web view in the window can make Qt replace the native window; the new one
            // is watched as well.
            if ((event->type() == QEvent::Show || event->type() == QEvent::WinIdChange)
                && m_window->windowHandle() && m_window->windowHandle() != m_native) {
                m_native = m_window->windowHandle();
                m_native->installEventFilter(this);
            }
            if (event->type() == QEvent::Paint)
                return report(watched, event);
            return false;
        }
        auto* window = qobject_cast<QWindow*>(watched);
        if (window && event->type() == QEvent::Expose && window->isExposed())
            return report(watched, event);
        return false;
    }

private:
    // Lets the window handle the event first (an expose paints it), then reports.
    bool report(QObject* watched, QEvent* event)
    {
        m_window->removeEventFilter(this);
        if (m_native)
            m_native->removeEventFilter(this);
        QCoreApplication::sendEvent(watched, event);
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        std::fprintf(stderr, "shown %lld\n",
                     static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
        std::fflush(stderr);
        deleteLater();
        return true;
    }

    QWidget* m_window;
    QPointer<QWindow> m_native;
};

} // namespace

namespace ShownProbe {

void watch(QWidget* window)
{
    new ShownWatcher(window);
}

} // namespace ShownProbe
