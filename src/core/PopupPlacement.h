#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

// Where the look-up popup goes: beside the pointer, below and to the right of it, as a
// tool tip does, so that the word under the pointer stays readable. At the screen's right
// or bottom edge it flips to the other side of the pointer; it never leaves the screen,
// and is made smaller where the screen is smaller than it. Where the pointer cannot be
// known, it is centred on the screen.
namespace PopupPlacement {

// How far the popup keeps from the pointer, on each axis.
constexpr QPoint gap(12, 18);

QRect place(QSize size, std::optional<QPoint> pointer, const QRect& screen);

} // namespace PopupPlacement
