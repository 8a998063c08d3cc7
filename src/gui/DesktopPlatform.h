#pragma once

#include <QByteArray>

// Which window system the program talks to. Docking the tool bar back needs global window
// positions, which a native Wayland client never learns; through XWayland it does.
namespace Desktop {

struct Session {
    QByteArray qpaPlatform;    // QT_QPA_PLATFORM: the user's own choice
    QByteArray sessionType;    // XDG_SESSION_TYPE
    QByteArray waylandDisplay; // WAYLAND_DISPLAY
    QByteArray x11Display;     // DISPLAY
};

Session currentSession();

// The platform to ask Qt for; empty to leave Qt's own choice.
QByteArray platformFor(const Session& session);

// Sets the platform for this process; call before the QApplication exists.
void choosePlatform();

} // namespace Desktop
