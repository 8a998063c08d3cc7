#include "X11Desktop.h"

#include "X11Connection.h"

#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace {

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

} // namespace

// An EWMH window manager names a check window on the root, and the check window names
// itself; a name left behind by a window manager that has gone fails the second test.
std::optional<bool> X11Desktop::windowManagerRunning()
{
    xcb_connection_t* connection = X11Connection::connection();
    if (!connection)
        return false;
    const char name[] = "_NET_SUPPORTING_WM_CHECK";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, std::strlen(name), name), nullptr);
    if (!atom)
        return false;
    const xcb_atom_t check = atom->atom;
    std::free(atom);
    if (check == XCB_ATOM_NONE)
        return false;
    for (xcb_window_t root : X11Connection::roots(connection)) {
        const std::optional<xcb_window_t> window = windowProperty(connection, root, check);
        if (window && windowProperty(connection, *window, check) == window)
            return true;
    }
    return false;
}

std::optional<bool> X11Desktop::leftButtonDown()
{
    xcb_connection_t* connection = X11Connection::connection();
    if (!connection)
        return std::nullopt;
    const QList<xcb_window_t> roots = X11Connection::roots(connection);
    if (roots.isEmpty())
        return std::nullopt;
    xcb_query_pointer_reply_t* reply =
        xcb_query_pointer_reply(connection, xcb_query_pointer(connection, roots.first()), nullptr);
    if (!reply)
        return std::nullopt;
    const bool leftDown = (reply->mask & XCB_BUTTON_MASK_1) != 0;
    std::free(reply);
    return leftDown;
}
