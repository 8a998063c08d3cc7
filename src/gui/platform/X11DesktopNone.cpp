#include "X11Desktop.h"

std::optional<bool> X11Desktop::windowManagerRunning()
{
    return std::nullopt;
}

std::optional<bool> X11Desktop::leftButtonDown()
{
    return std::nullopt;
}
