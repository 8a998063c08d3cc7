#pragma once

#include "DockOutline.h"
#include "Docking.h"
#include "SystemProbe.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

class DockGrip;
class QAction;
class QWidget;

// Docking drags between one dock site and the windows one control floats in.
//
// The docked control is dragged by a press on its own surface (not on a child) or on the
// grip shown at its start: the drag
// outline follows the pointer at once, and a drop away from the site floats the control in
// a new window placed at the outline.
//
// A floating window is dragged back by its title bar. The window manager moves the window
// itself and holds the pointer meanwhile; we get no mouse events, only the window's moves.
// A window that moves while the left button is down is being dragged by the window manager:
// from that first move on, the pointer is asked for until the button comes up, and a release
// over the site docks the control back. At rest nothing is asked. Where nothing frames the
// window, it draws its own caption, and a press there starts a docking drag that this class
// runs from start to end.
class DockDrag : public QObject {
    Q_OBJECT

public:
    struct Handlers {
        // The site's dock-over handler: sets accept, and may replace the dock rectangle.
        std::function<void(QWidget* source, bool& accept, QRect& dockRect)> dockOver;
        // The site's dock-drop handler, for an accepted drop.
        std::function<void(QWidget* source)> dockDrop;
        // A new window to float the control in (a top-level, not yet shown).
        std::function<QWidget*()> newHost;
        // The new window's dock-drop handler: it takes the control and shows itself.
        std::function<void(QWidget* host, QWidget* control)> hostDrop;
    };
    DockDrag(QWidget* site, QWidget* control, Handlers handlers, QObject* parent = nullptr);
    ~DockDrag() override;

    // Shown only while a drag is going on.
    const DockOutline& outline() const { return m_outline; }
    bool dragging() const { return m_drag.has_value(); }
    // The windows the control has floated in, oldest first: made by the newHost handler,
    // owned by whoever parents them.
    QList<QWidget*> hosts() const;
    // Asked when a floating window moves; setting one also turns the watch for window
    // manager drags on where no window manager seemed to run.
    void setProbe(std::unique_ptr<Docking::SystemProbe> probe);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Kind {
        Control,       // the docked control, off the site
        Window,        // a floating window by its own caption
        WindowManager, // a floating window moved by the window manager
    };
    struct Drag {
        Kind kind;
        QPointer<QWidget> source;
        QPoint pressed;  // on the screen
        QRect sourceRect; // on the screen, with the window frame for windows
        QSize sizeAtStart;
        bool active = false;
        bool overSite = false;
        bool accepted = false;
        QRect dockRect;
    };

    void placeGrip();
    bool controlEvent(QEvent* event);
    bool hostEvent(QWidget* host, QEvent* event);
    void begin(Kind kind, QWidget* source, QPoint pressed);
    void follow(QPoint pointer);
    void drop(QPoint pointer);
    void grabKeyboard(QWidget* widget);
    void finish();
    bool leftButtonDown() const;
    void windowMoved(QWidget* host);
    void followWindowManager();
    QWidget* shownHost() const;
    bool overSite(QPoint pointer, const QWidget* source) const;
    void floatControl(const QRect& outline);

    QWidget* m_site;
    QPointer<QWidget> m_control;
    const bool m_canFloat;
    DockGrip* m_grip = nullptr; // a child of the control; none where the control cannot float
    QAction* m_gripAction = nullptr; // the grip's place in a tool bar
    Handlers m_handlers;
    std::unique_ptr<Docking::SystemProbe> m_probe;
    bool m_watchWindowManager;
    DockOutline m_outline;
    QList<QPointer<QWidget>> m_hosts;
    std::optional<Drag> m_drag;
    QPointer<QWidget> m_keyboardGrabber; // takes Escape during a drag of ours
    // The shown floating window's size while no drag is going on: a drag by the window
    // manager that changes it is a resize, not a move.
    QSize m_restSize;
    QTimer m_follow; // runs only while the window manager moves a floating window
};
