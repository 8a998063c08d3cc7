#include "ShownProbe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <ctime>

namespace {

class ExposeWatcher : public QObject {
public:
    explicit ExposeWatcher(QWidget* window) : QObject(window), m_window(window)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // The native window exists from the widget's first Show event on.
        if (watched == m_window && event->type() == QEvent::Show && m_window->windowHandle()) {
            m_window->removeEventFilter(this);
            m_window->windowHandle()->installEventFilter(this);
            return false;
        }
        auto* window = qobject_cast<QWindow*>(watched);
        if (window && event->type() == QEvent::Expose && window->isExposed()) {
            // Let the window paint first, then report.
            window->removeEventFilter(this);
            QCoreApplication::sendEvent(window, event);
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            std::fprintf(stderr, "shown %lld\n",
                         static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
            std::fflush(stderr);
            deleteLater();
            return true;
        }
        return false;
    }

private:
    QWidget* m_window;
};

} // namespace

namespace ShownProbe {

void watch(QWidget* window)
{
    new ExposeWatcher(window);
}

} // namespace ShownProbe
