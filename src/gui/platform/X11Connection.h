#pragma once

// For the parts built with xcb only: the X server the application talks to.

#include <QGuiApplication>
#include <QList>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

namespace X11Connection {

// The application's own connection; none on another window system.
inline xcb_connection_t* connection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// The root window of every screen.
inline QList<xcb_window_t> roots(xcb_connection_t* connection)
{
    QList<xcb_window_t> roots;
    auto it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (; it.rem; xcb_screen_next(&it))
        roots.append(it.data->root);
    return roots;
}

} // namespace X11Connection
