#include "Docking.h"

#include "platform/X11Desktop.h"

#include <QGuiApplication>
#include <QVariant>
#include <QWidget>

namespace {

const char* const dragModeProperty = "dragMode";

} // namespace

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
    if (platform == QLatin1String("xcb"))
        if (const std::optional<bool> running = X11Desktop::windowManagerRunning())
            return *running;
    // Platforms that put windows straight on a frame buffer, or nowhere, frame nothing.
    for (const char* bare : {"offscreen", "minimal", "eglfs", "linuxfb", "vnc", "vkkhrdisplay"})
        if (platform == QLatin1String(bare))
            return false;
    return true;
}
