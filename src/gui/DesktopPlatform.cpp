#include "DesktopPlatform.h"

namespace Desktop {

Session currentSession()
{
    return {qgetenv("QT_QPA_PLATFORM"), qgetenv("XDG_SESSION_TYPE"), qgetenv("WAYLAND_DISPLAY"),
            qgetenv("DISPLAY")};
}

QByteArray platformFor(const Session& session)
{
    if (!session.qpaPlatform.isEmpty())
        return {};
    const bool wayland = !session.waylandDisplay.isEmpty() || session.sessionType == "wayland";
    if (!wayland)
        return {};
    // XWayland gives what docking needs; without it Wayland is all there is.
    return session.x11Display.isEmpty() ? QByteArray("wayland") : QByteArray("xcb");
}

void choosePlatform()
{
    const QByteArray platform = platformFor(currentSession());
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
}

} // namespace Desktop
