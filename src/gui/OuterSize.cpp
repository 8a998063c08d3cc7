#include "OuterSize.h"

#include "MainWindowSettings.h"

#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QWidget>
#include <QWindow>

QRect OuterSize::primaryScreenGeometry()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(QPoint(0, 0), MainWindowSettings::designedSize);
}

void OuterSize::apply(QSize outer)
{
    m_pending = outer;
    m_requested = outer.shrunkBy(windowFrame());
    m_window->resize(m_requested);
}

QMargins OuterSize::windowFrame() const
{
    return m_window->windowHandle() ? m_window->windowHandle()->frameMargins() : QMargins();
}

void OuterSize::correctForFrame()
{
    if (!m_pending)
        return;
    const QMargins frame = windowFrame();
    // While the window manager is still at work the margins can come out negative.
    if (frame.isNull() || frame.left() < 0 || frame.top() < 0 || frame.right() < 0
        || frame.bottom() < 0)
        return;
    const QSize client = MainWindowSettings::clientSize(*m_pending, frame, m_window->minimumSize());
    if (m_window->size() == client) {
        m_pending.reset();
        return;
    }
    // Ask once per frame: a window manager that will not have this size is not fought.
    if (client == m_requested)
        return;
    m_requested = client;
    m_window->resize(client);
}

void OuterSize::centreOnPrimaryScreen()
{
    const QRect screen = primaryScreenGeometry();
    m_window->layout()->activate();
    const QSize outer = m_pending.value_or(m_window->size()).expandedTo(m_window->minimumSize());
    m_window->move(screen.topLeft()
                   + QPoint((screen.width() - outer.width()) / 2,
                            (screen.height() - outer.height()) / 2));
}
