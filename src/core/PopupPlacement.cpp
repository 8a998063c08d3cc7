#include "PopupPlacement.h"

#include <algorithm>

namespace PopupPlacement {

namespace {

// The start of a span of length `length` beside `at` within [low, high): after it when it
// fits there, else before it when it fits there, else as far as the span allows.
int besidePoint(int at, int gapAfter, int length, int low, int high)
{
    const int after = at + gapAfter;
    if (after + length <= high)
        return after;
    const int before = at - gapAfter - length;
    if (before >= low)
        return before;
    return std::clamp(after, low, std::max(low, high - length));
}

} // namespace

QRect place(QSize size, std::optional<QPoint> pointer, const QRect& screen)
{
    const QSize fitted = size.boundedTo(screen.size()).expandedTo(QSize(1, 1));
    if (!pointer)
        return QRect(screen.topLeft()
                         + QPoint((screen.width() - fitted.width()) / 2,
                                  (screen.height() - fitted.height()) / 2),
                     fitted);
    const int x = besidePoint(pointer->x(), gap.x(), fitted.width(), screen.left(),
                              screen.left() + screen.width());
    const int y = besidePoint(pointer->y(), gap.y(), fitted.height(), screen.top(),
                              screen.top() + screen.height());
    return QRect(QPoint(x, y), fitted);
}

} // namespace PopupPlacement
