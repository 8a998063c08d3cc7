#pragma once

#include <optional>

// Questions put to the X server directly, rather than through Qt's events. Each answer is
// empty where this build cannot ask an X server at all; a build without xcb compiles the
// stub in place of the queries.
namespace X11Desktop {

// Whether an EWMH window manager runs on the X server the program talks to; false where
// the program talks to none.
std::optional<bool> windowManagerRunning();

// Whether the left mouse button is down, even while another client (the window manager,
// as it moves one of our windows) holds the pointer grab.
std::optional<bool> leftButtonDown();

} // namespace X11Desktop
