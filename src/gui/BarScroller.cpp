#include "BarScroller.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <QLayout>
#include <QScreen>
#include <QScrollBar>
#include <QWindow>

BarScroller::BarScroller(QWidget* parent) : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // The scroll bar's coming and going changes the height the bars need.
    connect(horizontalScrollBar(), &QScrollBar::rangeChanged, this, [this] { updateGeometry(); });
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { followFocus(now); });
    if (parent)
        parent->window()->installEventFilter(this);
}

int BarScroller::roomOnScreen() const
{
    const QWidget* top = window();
    const QScreen* screen = top->screen();
    if (!screen)
        return QWIDGETSIZE_MAX;
    const QWindow* handle = top->windowHandle();
    const QMargins frame = handle ? handle->frameMargins() : QMargins();
    return screen->availableGeometry().width() - qMax(0, frame.left()) - qMax(0, frame.right());
}

int BarScroller::barsHeight() const
{
    const QWidget* bars = widget();
    if (!bars)
        return 0;
    const int scrollBar = horizontalScrollBar()->maximum() > 0
        ? horizontalScrollBar()->sizeHint().height()
        : 0;
    // The bars are as high as they ask to be, never squeezed.
    return bars->sizeHint().height() + scrollBar;
}

QSize BarScroller::minimumSizeHint() const
{
    const QWidget* bars = widget();
    const int wanted = bars ? bars->minimumSizeHint().expandedTo(bars->minimumSize()).width() : 0;
    return {qMin(wanted, roomOnScreen()), barsHeight()};
}

QSize BarScroller::sizeHint() const { return minimumSizeHint(); }

void BarScroller::followFocus(QWidget* now)
{
    if (now && widget() && widget()->isAncestorOf(now))
        ensureWidgetVisible(now, 0, 0);
}

void BarScroller::followCurrentItem(QAbstractItemView* view)
{
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this, view](const QModelIndex& current) {
                if (!widget() || !current.isValid())
                    return;
                const QRect item = view->visualRect(current).translated(
                    view->viewport()->mapTo(widget(), QPoint(0, 0)));
                // The centre rounds down: one pixel more reaches the item's last one.
                ensureVisible(item.center().x(), item.center().y(), item.width() / 2 + 1,
                              item.height() / 2 + 1);
            });
}

void BarScroller::recheckRoom()
{
    const int room = roomOnScreen();
    if (room == m_room)
        return;
    m_room = room;
    updateGeometry();
    // The window's minimum follows now, not at the next layout pass: the window corrects its
    // size for a frame just learnt right after this, and must not keep a minimum that was
    // made for no frame at all.
    if (QLayout* windowLayout = window()->layout())
        windowLayout->activate();
}

bool BarScroller::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    // The bars ask for another size as a band comes, goes, shows, hides or grows; the
    // scroll area sizes them, then the window must make room.
    if (watched == widget() && (type == QEvent::LayoutRequest || type == QEvent::Resize)) {
        updateGeometry();
        // Taller bars get their room at once, as they did when they lay in the window
        // itself: a band docked back is in sight as the drop ends.
        QLayout* windowLayout = parentWidget() ? parentWidget()->layout() : nullptr;
        if (type == QEvent::Resize && windowLayout && height() < sizeHint().height())
            windowLayout->activate();
    }
    // The window's frame, or its screen, may have changed the room there is.
    if (watched == window()
        && (type == QEvent::Show || type == QEvent::Move || type == QEvent::ScreenChangeInternal))
        recheckRoom();
    return QScrollArea::eventFilter(watched, event);
}
