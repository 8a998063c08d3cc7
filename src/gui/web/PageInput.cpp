#include "PageInput.h"

#include <QChildEvent>
#include <QMouseEvent>
#include <QWebEngineView>
#include <QWheelEvent>

PageInput::PageInput(QWebEngineView* view) : QObject(view)
{
    // The engine draws each page in a child widget of the view, and makes a new one when the
    // page moves to another renderer; the input goes to that child.
    view->installEventFilter(this);
    for (QObject* child : view->children())
        watch(child);
}

void PageInput::watch(QObject* object)
{
    if (object->isWidgetType())
        object->installEventFilter(this);
}

bool PageInput::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ChildAdded:
        watch(static_cast<QChildEvent*>(event)->child());
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
        if (button != Qt::BackButton && button != Qt::ForwardButton)
            break;
        // The press steps, as in web browsers; the release and double click go nowhere.
        if (event->type() == QEvent::MouseButtonPress) {
            if (button == Qt::BackButton)
                emit backRequested();
            else
                emit forwardRequested();
        }
        return true;
    }
    case QEvent::Wheel: {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        if (!(wheel->modifiers() & Qt::ControlModifier))
            break;
        constexpr int notch = QWheelEvent::DefaultDeltasPerStep;
        m_wheelRest += wheel->angleDelta().y();
        const int steps = m_wheelRest / notch;
        m_wheelRest %= notch;
        if (steps != 0)
            emit zoomRequested(steps);
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
