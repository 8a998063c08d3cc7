#include "DockOutline.h"

#include <QPainter>
#include <QWidget>

// One edge of the outline: a small window that draws a hatched bar.
class DockOutline::Edge : public QWidget {
public:
    Edge()
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput
                               | Qt::X11BypassWindowManagerHint | Qt::WindowStaysOnTopHint)
    {
        setObjectName(QStringLiteral("dockOutlineEdge"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.fillRect(rect(), QBrush(Qt::black, Qt::Dense4Pattern));
    }
};

DockOutline::DockOutline()
{
    for (auto& edge : m_edges)
        edge = std::make_unique<Edge>();
}

DockOutline::~DockOutline() = default;

void DockOutline::show(const QRect& rect)
{
    m_rect = rect;
    const int t = qMin(thickness, qMin(rect.width(), rect.height()) / 2);
    const QRect edges[] = {
        QRect(rect.left(), rect.top(), rect.width(), t),
        QRect(rect.left(), rect.bottom() - t + 1, rect.width(), t),
        QRect(rect.left(), rect.top() + t, t, rect.height() - 2 * t),
        QRect(rect.right() - t + 1, rect.top() + t, t, rect.height() - 2 * t),
    };
    for (int i = 0; i < 4; ++i) {
        m_edges[i]->setGeometry(edges[i]);
        m_edges[i]->setVisible(!edges[i].isEmpty());
    }
    m_shown = true;
}

void DockOutline::hide()
{
    for (auto& edge : m_edges)
        edge->hide();
    m_shown = false;
}

bool DockOutline::owns(const QWidget* window) const
{
    for (const auto& edge : m_edges)
        if (edge.get() == window)
            return true;
    return false;
}
