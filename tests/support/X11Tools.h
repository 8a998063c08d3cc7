#pragma once

// The X server as the tests ask it, through the test program's own connection; for tests
// that link xcb and run on an X display.

#include <QGuiApplication>
#include <QList>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

// Null where the test does not run on X.
inline xcb_connection_t* x11Connection()
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

inline xcb_atom_t atom(const char* name)
{
    xcb_connection_t* c = x11Connection();
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t value = reply ? reply->atom : XCB_ATOM_NONE;
    std::free(reply);
    return value;
}

// Sends what a window manager sends when the user clicks the close button or presses Alt+F4.
inline bool sendDeleteWindow(xcb_window_t window)
{
    xcb_connection_t* c = x11Connection();
    if (!c)
        return false;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atom("WM_PROTOCOLS");
    message.data.data32[0] = atom("WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
    xcb_flush(c);
    return true;
}

// The shown top-level windows of another process, without a window manager.
inline QList<xcb_window_t> shownWindowsOf(qint64 pid)
{
    xcb_connection_t* c = x11Connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
    QList<xcb_window_t> shown;
    if (!tree)
        return shown;
    const xcb_atom_t ownerAtom = atom("_NET_WM_PID");
    const xcb_window_t* children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
        xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
            c, xcb_get_window_attributes(c, children[i]), nullptr);
        xcb_get_property_reply_t* owner = xcb_get_property_reply(
            c, xcb_get_property(c, 0, children[i], ownerAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE && owner
            && xcb_get_property_value_length(owner) == 4
            && *static_cast<const uint32_t*>(xcb_get_property_value(owner)) == uint32_t(pid))
            shown.append(children[i]);
        std::free(attributes);
        std::free(owner);
    }
    std::free(tree);
    return shown;
}
