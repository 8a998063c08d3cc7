#pragma once

#include <QRect>
#include <memory>

class QWidget;

// The outline of a docking drag: a hatched frame on the screen, made of four thin windows
// so that everything inside it stays in sight.
class DockOutline {
public:
    DockOutline();
    ~DockOutline();
    void show(const QRect& rect);
    void hide();
    bool isVisible() const { return m_shown; }
    QRect geometry() const { return m_rect; }
    bool owns(const QWidget* window) const;

private:
    class Edge;
    static constexpr int thickness = 3;
    std::unique_ptr<Edge> m_edges[4];
    QRect m_rect;
    bool m_shown = false;
};
