#pragma once

#include <QPoint>
#include <optional>

namespace Docking {

struct PointerState {
    QPoint position; // on the screen
    bool leftButtonDown = false;
};

// What the window system says when asked directly, rather than through events: the
// pointer, even while another client holds the pointer grab (the window manager, while
// it moves one of our windows). Empty where it cannot be asked.
class SystemProbe {
public:
    virtual ~SystemProbe() = default;
    virtual std::optional<PointerState> pointer() const;
};

} // namespace Docking
