#pragma once

#include <QAccessible>

class QWidget;

// What assistive technology (a screen reader) is told about the program's windows beyond
// what the toolkit tells it by itself.
namespace Accessibility {

// Installs the program's accessible interfaces; once, after the application object exists.
// - A widget given a role below is published with it.
// - A combo box with an accessible name is published under that name, its text as its value
//   (the toolkit names it by its text otherwise).
// - The web engine's drawing windows, which never show on screen, are not published beside
//   the program's windows.
void install();

// Publishes the widget with this role; set before the widget is first shown.
void setRole(QWidget* widget, QAccessible::Role role);

// Tells assistive technology, as an alert of the window's, what has just happened that the
// keyboard focus does not show: results that have come in, say.
void announce(QWidget* window, const QString& text);

} // namespace Accessibility
