#include "PageFocus.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QWebEngineView>

namespace {

// Focus reasons only a user's own click or key gives; a window's activation, or a menu's
// closing, gives back what the user had chosen before.
bool fromTheUser(Qt::FocusReason reason)
{
    switch (reason) {
    case Qt::MouseFocusReason:
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
    case Qt::ActiveWindowFocusReason:
    case Qt::PopupFocusReason:
        return true;
    default:
        return false;
    }
}

QWidget* viewOf(QWidget* widget)
{
    for (; widget; widget = widget->parentWidget())
        if (qobject_cast<QWebEngineView*>(widget))
            return widget;
    return nullptr;
}

QLineEdit* textFieldOf(QObject* object)
{
    if (auto* box = qobject_cast<QComboBox*>(object))
        return box->lineEdit();
    return qobject_cast<QLineEdit*>(object);
}

} // namespace

PageFocus::PageFocus(QObject* parent) : QObject(parent)
{
    qApp->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, &PageFocus::focusChanged);
}

// A text field drops its selection as it loses the focus; it is noted just before.
bool PageFocus::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        m_reason = static_cast<QFocusEvent*>(event)->reason();
    } else if (event->type() == QEvent::FocusOut) {
        if (QLineEdit* field = textFieldOf(watched)) {
            m_left = static_cast<QWidget*>(watched);
            m_selectionStart = field->selectionStart();
            m_selectionLength = int(field->selectedText().size());
            m_cursor = field->cursorPosition();
        }
    }
    return false;
}

void PageFocus::focusChanged(QWidget* before, QWidget* now)
{
    QWidget* view = viewOf(now);
    if (!view || !before || viewOf(before) == view || fromTheUser(m_reason))
        return;
    if (!before->isVisible() || !before->isEnabled() || before->window() != now->window())
        return;
    before->setFocus(Qt::OtherFocusReason);
    QLineEdit* field = textFieldOf(before);
    if (field && before == m_left) {
        if (m_selectionStart >= 0)
            field->setSelection(m_selectionStart, m_selectionLength);
        else
            field->setCursorPosition(m_cursor);
    }
}
