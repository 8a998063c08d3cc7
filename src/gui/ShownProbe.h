#pragma once

class QWidget;

// For timing the start-up from outside: once the window has been exposed or painted for
// the first time, one line "shown <ns>" goes to stderr, <ns> read from the monotonic clock.
namespace ShownProbe {
void watch(QWidget* window);
}
