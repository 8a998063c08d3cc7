#include "DockDrag.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionToolBar>
#include <QToolBar>
#include <QWidget>

#ifdef VERITOME_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>
#endif

namespace {

const char* const dragModeProperty = "dragMode";
// How often the window system is asked for the pointer while the window manager moves a
// floating window, in ms; at rest it is never asked.
constexpr int followInterval = 20;

bool passedThreshold(QPoint pressed, QPoint pointer)
{
    const QPoint moved = pointer - pressed;
    return qAbs(moved.x()) >= Docking::dragThreshold || qAbs(moved.y()) >= Docking::dragThreshold;
}

#ifdef VERITOME_HAVE_XCB

xcb_connection_t* x11Connection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

QList<xcb_window_t> x11Roots(xcb_connection_t* connection)
{
    QList<xcb_window_t> roots;
    auto it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (; it.rem; xcb_screen_next(&it))
        roots.append(it.data->root);
    return roots;
}

std::optional<xcb_window_t> windowProperty(xcb_connection_t* connection, xcb_window_t window,
                                           xcb_atom_t property)
{
    const auto cookie =
        xcb_get_property(connection, 0, window, property, XCB_ATOM_WINDOW, 0, 1);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    if (!reply)
        return std::nullopt;
    std::optional<xcb_window_t> value;
    if (reply->type == XCB_ATOM_WINDOW && reply->format == 32
        && xcb_get_property_value_length(reply) == int(sizeof(xcb_window_t)))
        value = *static_cast<xcb_window_t*>(xcb_get_property_value(reply));
    std::free(reply);
    return value;
}

// An EWMH window manager names a check window on the root, and the check window names
// itself; a name left behind by a window manager that has gone fails the second test.
bool x11WindowManagerRunning(xcb_connection_t* connection)
{
    const char name[] = "_NET_SUPPORTING_WM_CHECK";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, std::strlen(name), name), nullptr);
    if (!atom)
        return false;
    const xcb_atom_t check = atom->atom;
    std::free(atom);
    if (check == XCB_ATOM_NONE)
        return false;
    for (xcb_window_t root : x11Roots(connection)) {
        const std::optional<xcb_window_t> window = windowProperty(connection, root, check);
        if (window && windowProperty(connection, *window, check) == window)
            return true;
    }
    return false;
}

#endif

} // namespace

// One edge of the outline: a small window that draws a hatched bar.
class DockOutline::Edge : public QWidget {
public:
    Edge()
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput
                               | Qt::X11BypassWindowManagerHint | Qt::WindowStaysOnTopHint)
    {
        setObjectName(QStringLiteral("dockOutlineEdge"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.fillRect(rect(), QBrush(Qt::black, Qt::Dense4Pattern));
    }
};

// The handle a movable tool bar shows at its start, drawn by the style. Presses pass through
// it to the docked control, whose own surface it is.
class DockDrag::Grip : public QWidget {
public:
    explicit Grip(QWidget* control) : QWidget(control)
    {
        setObjectName(QStringLiteral("dockGrip"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setCursor(Qt::SizeAllCursor);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    }
    QSize sizeHint() const override { return QSize(extent(), 0); }
    int extent() const { return style()->pixelMetric(QStyle::PM_ToolBarHandleExtent, nullptr, this); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        QStyleOptionToolBar option;
        option.initFrom(this);
        option.state |= QStyle::State_Horizontal;
        style()->drawPrimitive(QStyle::PE_IndicatorToolBarHandle, &option, &painter, this);
    }
};

DockOutline::DockOutline()
{
    for (auto& edge : m_edges)
        edge = std::make_unique<Edge>();
}

DockOutline::~DockOutline() = default;

void DockOutline::show(const QRect& rect)
{
    m_rect = rect;
    const int t = qMin(thickness, qMin(rect.width(), rect.height()) / 2);
    const QRect edges[] = {
        QRect(rect.left(), rect.top(), rect.width(), t),
        QRect(rect.left(), rect.bottom() - t + 1, rect.width(), t),
        QRect(rect.left(), rect.top() + t, t, rect.height() - 2 * t),
        QRect(rect.right() - t + 1, rect.top() + t, t, rect.height() - 2 * t),
    };
    for (int i = 0; i < 4; ++i) {
        m_edges[i]->setGeometry(edges[i]);
        m_edges[i]->setVisible(!edges[i].isEmpty());
    }
    m_shown = true;
}

void DockOutline::hide()
{
    for (auto& edge : m_edges)
        edge->hide();
    m_shown = false;
}

bool DockOutline::owns(const QWidget* window) const
{
    for (const auto& edge : m_edges)
        if (edge.get() == window)
            return true;
    return false;
}

void Docking::setDragMode(QWidget* control, DragMode mode)
{
    control->setProperty(dragModeProperty, int(mode));
}

Docking::DragMode Docking::dragMode(const QWidget* control)
{
    return control->property(dragModeProperty).toInt() == int(DragMode::Automatic)
        ? DragMode::Automatic
        : DragMode::Manual;
}

bool Docking::canFloat()
{
    // A native Wayland client learns no global window positions: a floating window could
    // be neither placed nor dragged back.
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

bool Docking::desktopFramesWindows()
{
    const QString platform = QGuiApplication::platformName();
#ifdef VERITOME_HAVE_XCB
    if (platform == QLatin1String("xcb")) {
        xcb_connection_t* connection = x11Connection();
        return connection && x11WindowManagerRunning(connection);
    }
#endif
    // Platforms that put windows straight on a frame buffer, or nowhere, frame nothing.
    for (const char* bare : {"offscreen", "minimal", "eglfs", "linuxfb", "vnc", "vkkhrdisplay"})
        if (platform == QLatin1String(bare))
            return false;
    return true;
}

std::optional<Docking::PointerState> Docking::SystemProbe::pointer() const
{
#ifdef VERITOME_HAVE_XCB
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return std::nullopt;
    const QList<xcb_window_t> roots = x11Roots(connection);
    if (roots.isEmpty())
        return std::nullopt;
    xcb_query_pointer_reply_t* reply =
        xcb_query_pointer_reply(connection, xcb_query_pointer(connection, roots.first()), nullptr);
    if (!reply)
        return std::nullopt;
    const bool leftDown = (reply->mask & XCB_BUTTON_MASK_1) != 0;
    std::free(reply);
    // The position in Qt's own coordinates, which may be scaled from the device's.
    return PointerState{QCursor::pos(), leftDown};
#else
    return std::nullopt;
#endif
}

DockDrag::DockDrag(QWidget* site, QWidget* control, Handlers handlers, QObject* parent)
    : QObject(parent),
      m_site(site),
      m_control(control),
      m_canFloat(Docking::canFloat()),
      m_handlers(std::move(handlers)),
      m_probe(std::make_unique<Docking::SystemProbe>()),
      m_watchWindowManager(Docking::desktopFramesWindows()),
      m_outline(std::make_unique<DockOutline>())
{
    m_follow.setInterval(followInterval);
    connect(&m_follow, &QTimer::timeout, this, &DockDrag::followWindowManager);
    if (m_canFloat) {
        m_grip = new Grip(control);
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
        m_outline->hide();
        return;
    }
    m_outline->show(rect);
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
    m_outline->hide();
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
    return !front || front == m_site->window() || m_outline->owns(front)
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
