#pragma once

#include <QColor>
#include <QPalette>

// The program's colours, in one place: the window's palette, the glyphs' ink and the
// colours of the pages the program makes itself (the start page and the notices). Light is
// the window as it always was; dark and high contrast are made here, with every text at a
// contrast of at least 4.5 : 1 against what it stands on.
namespace Palette {

struct Look {
    bool dark = false;
    bool highContrast = false;
    bool operator==(const Look& other) const
    {
        return dark == other.dark && highContrast == other.highContrast;
    }
    bool operator!=(const Look& other) const { return !(*this == other); }
};

// The look a palette made here has; light for any other.
Look lookOf(const QPalette& palette);

// The window's palette for the look; for plain light, the one the toolkit gives.
QPalette windowPalette(Look look, const QPalette& light);

// The colours of the program's own pages.
struct PageColours {
    QColor background;
    QColor text;
    QColor heading;
    QColor muted;
    QColor buttonBackground;
    QColor buttonBorder;
};
PageColours pageColours(Look look);
// The pages' colours as CSS, for a page's style sheet.
QString pageStyle(Look look);

// A word that must stand out on the window, such as "nothing found".
QColor alertText(Look look);

// What the glyphs draw with: their outlines and their fills.
struct Ink {
    QColor line;
    QColor accent;
    QColor paper;
    QColor fill;
};
Ink ink(Look look);

// The contrast of two colours as WCAG 2 defines it: from 1 (the same) to 21.
double contrastRatio(const QColor& a, const QColor& b);

} // namespace Palette
