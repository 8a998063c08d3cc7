#include "PageZoom.h"

#include "MainWindowSettings.h"

#include <QWebEngineView>

PageZoom::PageZoom(QObject* parent)
    : QObject(parent), m_percent(MainWindowSettings::defaultZoom)
{
}

const QList<int>& PageZoom::levels()
{
    static const QList<int> levels = {25,  33,  50,  67,  75,  80,  90,  100, 110,
                                      125, 150, 175, 200, 250, 300, 400, 500};
    return levels;
}

void PageZoom::setPercent(int percent)
{
    if (percent < MainWindowSettings::minimumZoom || percent > MainWindowSettings::maximumZoom)
        percent = MainWindowSettings::defaultZoom;
    if (percent == m_percent)
        return;
    m_percent = percent;
    apply();
    emit changed(m_percent);
}

bool PageZoom::isDefault() const { return m_percent == MainWindowSettings::defaultZoom; }
bool PageZoom::canZoomIn() const { return m_percent < levels().last(); }
bool PageZoom::canZoomOut() const { return m_percent > levels().first(); }

void PageZoom::zoomIn() { step(1); }
void PageZoom::zoomOut() { step(-1); }
void PageZoom::reset() { setPercent(MainWindowSettings::defaultZoom); }

// A stored zoom between two levels steps to the next level either way.
void PageZoom::step(int steps)
{
    if ((steps > 0 && !canZoomIn()) || (steps < 0 && !canZoomOut())) {
        emit limitReached(m_percent);
        return;
    }
    int percent = m_percent;
    for (; steps > 0; --steps) {
        const auto next = std::upper_bound(levels().cbegin(), levels().cend(), percent);
        if (next != levels().cend())
            percent = *next;
    }
    for (; steps < 0; ++steps) {
        auto next = std::lower_bound(levels().cbegin(), levels().cend(), percent);
        if (next != levels().cbegin())
            percent = *--next;
    }
    setPercent(percent);
}

void PageZoom::attach(QWebEngineView* view)
{
    m_views.removeAll(nullptr);
    m_views.append(view);
    view->setZoomFactor(m_percent / 100.0);
}

void PageZoom::apply()
{
    m_views.removeAll(nullptr);
    for (QWebEngineView* view : std::as_const(m_views))
        view->setZoomFactor(m_percent / 100.0);
}
