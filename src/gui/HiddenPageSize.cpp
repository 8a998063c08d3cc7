#include "HiddenPageSize.h"

#include <QEvent>
#include <QQuickItem>
#include <QQuickWidget>
#include <QTimer>
#include <QWebEngineView>
#include <QWidget>

HiddenPageSize::HiddenPageSize(QWebEngineView* view, QWidget* area)
    : QObject(view), m_view(view), m_area(area)
{
    // The engine puts its drawing surface into the view when the page's renderer starts.
    view->installEventFilter(this);
}

bool HiddenPageSize::eventFilter(QObject* watched, QEvent* event)
{
    // The child announced is still being made; it is complete once the event loop runs.
    if (watched == m_view && event->type() == QEvent::ChildAdded)
        QTimer::singleShot(0, this, &HiddenPageSize::fit);
    return QObject::eventFilter(watched, event);
}

void HiddenPageSize::fit()
{
    if (!m_area || m_view->isVisible())
        return;
    const QSize size = m_area->size();
    if (size.isEmpty())
        return;
    // The view and what holds it up to the area, so that showing it later lays nothing out
    // at another size on the way.
    for (QWidget* widget = m_view; widget && widget != m_area; widget = widget->parentWidget())
        widget->resize(size);
    auto* surface = m_view->findChild<QQuickWidget*>(QString(), Qt::FindDirectChildrenOnly);
    if (!surface || !surface->rootObject())
        return;
    // A hidden widget's resize is held back until it is shown, so the engine learns the
    // size from its drawing item, whose geometry it follows.
    surface->resize(size);
    const QList<QQuickItem*> items = surface->rootObject()->childItems();
    for (QQuickItem* item : items)
        item->setSize(size);
}
