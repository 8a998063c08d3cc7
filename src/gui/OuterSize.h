#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>
#include <optional>

class QWidget;

// The size a window keeps in its settings is its outer size, frame included, while Qt sizes
// a window without its frame. A window manager frames the window on its own time after it
// is shown, and says so with no event of its own, so the outer size waits aside and is
// corrected the first time the window hears from the window system with a frame in place.
class OuterSize {
public:
    explicit OuterSize(QWidget* window) : m_window(window) {}

    void apply(QSize outer);
    // Call on every move, resize, show, update request and activation of the window.
    void correctForFrame();
    // Centres the window on the primary screen by its outer size. Called before the native
    // window exists, the position counts for the frame's corner: the window manager places
    // the frame there once it has made one.
    void centreOnPrimaryScreen();

    // The primary screen need not start at (0, 0) of the desktop.
    static QRect primaryScreenGeometry();

private:
    QMargins windowFrame() const;

    QWidget* m_window;
    std::optional<QSize> m_pending;
    QSize m_requested;
};
