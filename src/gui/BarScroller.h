#pragma once

#include <QScrollArea>

class QAbstractItemView;

// Holds the window's bars. The window asks for the bars' whole width, but never for more
// than the screen can give it: where the bars are wider than that, they scroll sideways,
// and whatever takes the keyboard focus among them is scrolled into sight.
class BarScroller : public QScrollArea {
    Q_OBJECT

public:
    explicit BarScroller(QWidget* parent = nullptr);

    // The view's current item, too, is scrolled into sight as the keyboard steps onto it.
    void followCurrentItem(QAbstractItemView* view);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The width the window's screen leaves for the window's inside, frame taken off.
    int roomOnScreen() const;
    int barsHeight() const;
    void followFocus(QWidget* now);
    void recheckRoom();

    int m_room = -1;
};
