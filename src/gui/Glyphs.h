#pragma once

#include "Palette.h"

#include <QIcon>
#include <QList>

// The program's own pictures, drawn in code so that the executable carries them.
namespace Glyphs {
// The ten 16 x 16 images of the tool bar, the menus and the search button, by index,
// drawn to be seen in the look's colours.
QList<QIcon> imageList(Palette::Look look = {});
QIcon mainIcon();
// The mark of a result tab whose page is loading, and the blank of the same size that
// takes its place once the page is in, so that the tabs keep their size.
QIcon loading(Palette::Look look = {});
QIcon blank();
} // namespace Glyphs
