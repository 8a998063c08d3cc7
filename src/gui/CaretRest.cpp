#include "CaretRest.h"

#include <QEvent>
#include <QGuiApplication>
#include <QStyleHints>

CaretRest::CaretRest(QObject* parent, int restMs)
    : QObject(parent), m_flashTime(QGuiApplication::styleHints()->cursorFlashTime())
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(restMs);
    connect(&m_timer, &QTimer::timeout, this, &CaretRest::rest);
    qApp->installEventFilter(this);
    m_timer.start();
}

CaretRest::~CaretRest()
{
    QGuiApplication::styleHints()->setCursorFlashTime(m_flashTime);
}

bool CaretRest::eventFilter(QObject*, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::InputMethod:
    case QEvent::FocusIn:
        if (QGuiApplication::styleHints()->cursorFlashTime() != m_flashTime)
            QGuiApplication::styleHints()->setCursorFlashTime(m_flashTime);
        m_timer.start();
        break;
    default:
        break;
    }
    return false;
}

void CaretRest::rest()
{
    // Zero is a caret that stays on.
    QGuiApplication::styleHints()->setCursorFlashTime(0);
}
