#include "SystemProbe.h"

#include "platform/X11Desktop.h"

#include <QCursor>

std::optional<Docking::PointerState> Docking::SystemProbe::pointer() const
{
    const std::optional<bool> leftDown = X11Desktop::leftButtonDown();
    if (!leftDown)
        return std::nullopt;
    // The position in Qt's own coordinates, which may be scaled from the device's.
    return PointerState{QCursor::pos(), *leftDown};
}
