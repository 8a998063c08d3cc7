#pragma once

class QWidget;

// The rules docking drags follow, shared by the dock site, the docked control and the
// windows it floats in.
namespace Docking {

// How a press on a dockable control acts: Automatic starts a docking drag, Manual does not.
enum class DragMode { Manual, Automatic };
void setDragMode(QWidget* control, DragMode mode);
DragMode dragMode(const QWidget* control);

// A drag counts as over the dock site this far outside the site's rectangle.
constexpr int siteMargin = 10;
// A drag of a floating window takes effect once the pointer has moved this far on an axis.
constexpr int dragThreshold = 5;

// Whether the control can be floated at all: only where windows can be placed on the
// screen and found there again.
bool canFloat();

// Whether something on the desktop (an X11 window manager, a Wayland compositor) frames
// top-level windows with title bars. Where nothing does, a floating window needs a caption
// of its own to be dragged by.
bool desktopFramesWindows();

} // namespace Docking
