#include "DockDrag.h"

#include "DockGrip.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolBar>
#include <QWidget>

namespace {

// How often the window system is asked for the pointer while the window manager moves a
// floating window, in ms; at rest it is never asked.
constexpr int followInterval = 20;

bool passedThreshold(QPoint pressed, QPoint pointer)
{
    const QPoint moved = pointer - pressed;
    return qAbs(moved.x()) >= Docking::dragThreshold || qAbs(moved.y()) >= Docking::dragThreshold;
}

} // namespace

DockDrag::DockDrag(QWidget* site, QWidget* control, Handlers handlers, QObject* parent)
    : QObject(parent),
      m_site(site),
      m_control(control),
      m_canFloat(Docking::canFloat()),
      m_handlers(std::move(handlers)),
      m_probe(std::make_unique<Docking::SystemProbe>()),
      m_watchWindowManager(Docking::desktopFramesWindows())
{
    m_follow.setInterval(followInterval);
    connect(&m_follow, &QTimer::timeout, this, &DockDrag::followWindowManager);
    if (m_canFloat) {
        m_grip = new DockGrip(control);
        // A tool bar lays out its own items only; elsewhere the grip keeps to the left edge.
        if (auto* toolBar = qobject_cast<QToolBar*>(control))
            m_gripAction = toolBar->insertWidget(toolBar->actions().value(0), m_grip);
        placeGrip();
    }
    control->installEventFilter(this);
}

DockDrag::~DockDrag() = default;

void DockDrag::setProbe(std::unique_ptr<Docking::SystemProbe> probe)
{
    m_probe = std::move(probe);
    m_watchWindowManager = true;
    if (QWidget* host = shownHost())
        m_restSize = host->size();
}

bool DockDrag::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_control)
        return controlEvent(event);
    for (const QPointer<QWidget>& host : m_hosts)
        if (watched == host)
            return hostEvent(host, event);
    return false;
}

void DockDrag::placeGrip()
{
    if (!m_grip)
        return;
    if (!qobject_cast<QToolBar*>(m_control))
        m_grip->setGeometry(0, 0, m_grip->extent(), m_control->height());
    // Only where a press on it starts a drag.
    const bool shown = Docking::dragMode(m_control) == Docking::DragMode::Automatic;
    if (m_gripAction)
        m_gripAction->setVisible(shown);
    else
        m_grip->setVisible(shown);
}

bool DockDrag::controlEvent(QEvent* event)
{
    const bool ours = m_drag && m_drag->kind == Kind::Control;
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::DynamicPropertyChange:
        placeGrip();
        return false;
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        // A press that a child passed on to the control is not on the control's own surface.
        if (m_drag || !m_canFloat || mouse->button() != Qt::LeftButton
            || Docking::dragMode(m_control) != Docking::DragMode::Automatic
            || m_control->childAt(mouse->position().toPoint()))
            return false;
        begin(Kind::Control, m_control, mouse->globalPosition().toPoint());
        m_drag->active = true;
        follow(m_drag->pressed);
        return true;
    }
    case QEvent::MouseMove: {
        if (!ours)
            return false;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!(mouse->buttons() & Qt::LeftButton))
            finish(); // the release went elsewhere: nothing happens
        else
            follow(mouse->globalPosition().toPoint());
        return true;
    }
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!ours || mouse->button() != Qt::LeftButton)
            return ours;
        drop(mouse->globalPosition().toPoint());
        return true;
    }
    case QEvent::KeyPress:
        if (ours && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            finish();
            return true;
        }
        return false;
    case QEvent::Hide:
        if (ours)
            finish();
        return false;
    default:
        return false;
    }
}

bool DockDrag::hostEvent(QWidget* host, QEvent* event)
{
    const bool ours = m_drag && m_drag->source == host;
    switch (event->type()) {
    case QEvent::StatusTip:
        // Hints of the floating control belong in the main window's status bar.
        QCoreApplication::sendEvent(m_site->window(), event);
        return true;
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        // Only the window's own caption; presses on the control pass up to here too.
        const QPoint at = mouse->position().toPoint();
        if (m_drag || mouse->button() != Qt::LeftButton || host->childAt(at)
            || host->contentsRect().contains(at))
            return false;
        begin(Kind::Window, host, mouse->globalPosition().toPoint());
        return true;
    }
    case QEvent::MouseMove: {
        if (!ours || m_drag->kind != Kind::Window)
            return false;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint pointer = mouse->globalPosition().toPoint();
        if (!(mouse->buttons() & Qt::LeftButton)) {
            finish();
        } else if (m_drag->active || passedThreshold(m_drag->pressed, pointer)) {
            if (!m_drag->active) {
                m_drag->active = true;
                grabKeyboard(host);
            }
            follow(pointer);
        }
        return true;
    }
    case QEvent::MouseButtonRelease: {
        if (!ours || m_drag->kind != Kind::Window)
            return false;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return true;
        if (m_drag->active)
            drop(mouse->globalPosition().toPoint());
        else
            finish();
        return true;
    }
    case QEvent::KeyPress:
        if (ours && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            finish();
            return true;
        }
        return false;
    case QEvent::Show:
        m_restSize = host->size();
        return false;
    case QEvent::Resize:
        // A resize of our own, or by the window manager at the start of a drag by an edge.
        if (!m_drag && !leftButtonDown())
            m_restSize = host->size();
        return false;
    case QEvent::Move:
        if (ours && m_drag->kind == Kind::WindowManager)
            followWindowManager();
        else if (!m_drag && m_watchWindowManager && host == shownHost())
            windowMoved(host);
        return false;
    case QEvent::Hide:
        if (ours)
            finish();
        return false;
    default:
        return false;
    }
}

void DockDrag::begin(Kind kind, QWidget* source, QPoint pressed)
{
    Drag drag;
    drag.kind = kind;
    drag.source = source;
    drag.pressed = pressed;
    drag.sourceRect = source->isWindow() ? source->frameGeometry()
                                         : QRect(source->mapToGlobal(QPoint(0, 0)), source->size());
    drag.sizeAtStart = source->size();
    m_drag = drag;
    if (kind == Kind::Control)
        grabKeyboard(source);
}

void DockDrag::grabKeyboard(QWidget* widget)
{
    widget->grabKeyboard();
    m_keyboardGrabber = widget;
}

void DockDrag::follow(QPoint pointer)
{
    Drag& drag = *m_drag;
    // The grabbed point stays under the pointer.
    QRect rect = drag.sourceRect.translated(pointer - drag.pressed);
    drag.overSite = overSite(pointer, drag.source);
    drag.accepted = false;
    if (drag.overSite)
        m_handlers.dockOver(drag.source, drag.accepted, rect);
    drag.dockRect = rect;

    // While the window manager moves a window, the window itself shows where it goes.
    if (drag.kind == Kind::WindowManager && !drag.accepted) {
        m_outline.hide();
        return;
    }
    m_outline.show(rect);
}

void DockDrag::drop(QPoint pointer)
{
    follow(pointer);
    const Drag drag = *m_drag;
    finish();
    if (!drag.source)
        return;
    if (drag.overSite) {
        // A left edge or corner dragged by the window manager moves the window too; a
        // resize is not a drop.
        const bool resized =
            drag.kind == Kind::WindowManager && drag.source->size() != drag.sizeAtStart;
        if (drag.accepted && !resized)
            m_handlers.dockDrop(drag.source);
        return; // a refused drop changes nothing
    }
    switch (drag.kind) {
    case Kind::Control:
        floatControl(drag.dockRect);
        break;
    case Kind::Window:
        drag.source->move(drag.dockRect.topLeft());
        break;
    case Kind::WindowManager:
        break; // the window manager has put the window there already
    }
}

void DockDrag::finish()
{
    m_follow.stop();
    if (m_drag && m_drag->source && m_drag->source->isWindow())
        m_restSize = m_drag->source->size();
    m_outline.hide();
    if (m_keyboardGrabber)
        m_keyboardGrabber->releaseKeyboard();
    m_keyboardGrabber = nullptr;
    m_drag.reset();
}

bool DockDrag::leftButtonDown() const
{
    const std::optional<Docking::PointerState> pointer = m_probe->pointer();
    return pointer && pointer->leftButtonDown;
}

// A floating window that moves while the left button is down is being dragged by the window
// manager, which holds the pointer meanwhile: from here on the pointer is asked for until
// the button comes up. Some window managers (openbox) tell of the move only at its end;
// a move that leaves the pointer on the window's title bar, the button up, was a drag by it
// that has just been dropped there.
void DockDrag::windowMoved(QWidget* host)
{
    const std::optional<Docking::PointerState> pointer = m_probe->pointer();
    if (!pointer)
        return;
    const QRect frame = host->frameGeometry();
    const QRect titleBar(frame.left(), frame.top(), frame.width(),
                         host->geometry().top() - frame.top());
    if (!pointer->leftButtonDown && !titleBar.contains(pointer->position))
        return;
    begin(Kind::WindowManager, host, pointer->position);
    m_drag->sizeAtStart = m_restSize;
    m_drag->active = true;
    if (pointer->leftButtonDown) {
        follow(pointer->position);
        m_follow.start();
    } else {
        drop(pointer->position);
    }
}

void DockDrag::followWindowManager()
{
    if (!m_drag || m_drag->kind != Kind::WindowManager)
        return;
    const std::optional<Docking::PointerState> pointer = m_probe->pointer();
    if (!m_drag->source || !m_drag->source->isVisible() || !pointer) {
        finish();
        return;
    }
    if (pointer->leftButtonDown)
        follow(pointer->position);
    else
        drop(pointer->position);
}

QList<QWidget*> DockDrag::hosts() const
{
    QList<QWidget*> hosts;
    for (const QPointer<QWidget>& host : m_hosts)
        if (host)
            hosts.append(host);
    return hosts;
}

QWidget* DockDrag::shownHost() const
{
    QWidget* window = m_control ? m_control->window() : nullptr;
    if (!window || !window->isVisible())
        return nullptr;
    for (const QPointer<QWidget>& host : m_hosts)
        if (host == window)
            return window;
    return nullptr;
}

// Over the site's rectangle with its margin, unless another of our windows lies in front
// of the site's window there.
bool DockDrag::overSite(QPoint pointer, const QWidget* source) const
{
    if (!m_site->isVisible() || m_site->window()->isMinimized())
        return false;
    const QRect site(m_site->mapToGlobal(QPoint(0, 0)), m_site->size());
    const int margin = Docking::siteMargin;
    if (!site.adjusted(-margin, -margin, margin, margin).contains(pointer))
        return false;
    const QWidget* front = QApplication::topLevelAt(pointer);
    return !front || front == m_site->window() || m_outline.owns(front)
        || (source && front == source->window());
}

void DockDrag::floatControl(const QRect& outline)
{
    if (!m_control)
        return;
    QWidget* host = m_handlers.newHost();
    host->installEventFilter(this);
    m_hosts.append(host);
    // The window's corner goes to the outline's corner; its client area gets the outline's
    // size, below a caption of its own if it draws one.
    host->move(outline.topLeft());
    host->resize(outline.size().grownBy(host->contentsMargins()));
    m_handlers.hostDrop(host, m_control);
}
