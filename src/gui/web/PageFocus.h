#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

// Keeps the keyboard where the user put it. A web view takes the focus from the user alone,
// by a click into the page or by Tab and Shift+Tab; when a page or the engine moves the
// focus into a view by itself (a script's focus() as the page loads, a window the page
// opens), the focus goes straight back where it was, with the text selected there as it was.
class PageFocus : public QObject {
public:
    // Watches the focus of the whole program; belongs to the main window.
    explicit PageFocus(QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void focusChanged(QWidget* before, QWidget* now);

    Qt::FocusReason m_reason = Qt::OtherFocusReason; // of the latest focus change
    // The text field that last lost the focus, and its selection then.
    QPointer<QWidget> m_left;
    int m_selectionStart = -1;
    int m_selectionLength = 0;
    int m_cursor = 0;
};
