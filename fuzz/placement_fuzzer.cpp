// The popup's place for any size, pointer and screen: whole on the screen, as large as the
// screen allows, and clear of the pointer wherever the screen leaves room for that.
#include "FuzzCheck.h"
#include "PopupPlacement.h"

#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    // Screens and windows as a desktop has them: within ±32,768 pixels, up to 16,384 wide.
    const QRect screen(input.ConsumeIntegralInRange(-32768, 32768),
                       input.ConsumeIntegralInRange(-32768, 32768),
                       input.ConsumeIntegralInRange(1, 16384), input.ConsumeIntegralInRange(1, 16384));
    const QSize wanted(input.ConsumeIntegralInRange(0, 16384), input.ConsumeIntegralInRange(0, 16384));
    const bool known = input.ConsumeBool();
    const QPoint pointer(input.ConsumeIntegralInRange(screen.left(), screen.right()),
                         input.ConsumeIntegralInRange(screen.top(), screen.bottom()));

    const QRect placed = PopupPlacement::place(
        wanted, known ? std::optional<QPoint>(pointer) : std::nullopt, screen);
    FUZZ_CHECK(screen.contains(placed));
    FUZZ_CHECK(placed.size() == wanted.boundedTo(screen.size()).expandedTo(QSize(1, 1)));
    if (!known)
        return 0;
    // Where the popup fits beside the pointer on either axis, it keeps the gap there.
    const int gapX = PopupPlacement::gap.x();
    const int gapY = PopupPlacement::gap.y();
    const bool roomRight = pointer.x() + gapX + placed.width() <= screen.left() + screen.width();
    const bool roomLeft = pointer.x() - gapX - placed.width() >= screen.left();
    if (roomRight || roomLeft)
        FUZZ_CHECK(placed.left() >= pointer.x() + gapX || placed.right() < pointer.x() - gapX + 1);
    const bool roomBelow = pointer.y() + gapY + placed.height() <= screen.top() + screen.height();
    const bool roomAbove = pointer.y() - gapY - placed.height() >= screen.top();
    if (roomBelow || roomAbove)
        FUZZ_CHECK(placed.top() >= pointer.y() + gapY || placed.bottom() < pointer.y() - gapY + 1);
    return 0;
}
