#include "HiddenPageSize.h"

#include <QEvent>
#include <QMetaProperty>
#include <QQuickItem>
#include <QQuickWidget>
#include <QTimer>
#include <QWebEngineView>
#include <QWidget>

HiddenPageSize::HiddenPageSize(QWebEngineView* view, QWidget* area)
    : QObject(view), m_view(view), m_area(area)
{
    // The engine puts its drawing surface into the view as the page gets its renderer.
    view->installEventFilter(this);
    fit();
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
    // size from its drawing item, whose geometry it follows. The item's class is the
    // engine's, built without run-time type information, so it is sized through the
    // meta-object rather than a call on it as a QQuickItem.
    surface->resize(size);
    const QMetaObject& item = QQuickItem::staticMetaObject;
    const QMetaProperty width = item.property(item.indexOfProperty("width"));
    const QMetaProperty height = item.property(item.indexOfProperty("height"));
    const QList<QQuickItem*> drawingItems = surface->rootObject()->childItems();
    for (QObject* drawingItem : drawingItems) {
        width.write(drawingItem, qreal(size.width()));
        height.write(drawingItem, qreal(size.height()));
    }
}
