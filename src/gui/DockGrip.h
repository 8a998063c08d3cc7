#pragma once

#include <QWidget>

// The handle a movable tool bar shows at its start, drawn by the style. Presses pass through
// it to the docked control, whose own surface it is.
class DockGrip : public QWidget {
    Q_OBJECT

public:
    explicit DockGrip(QWidget* control);
    QSize sizeHint() const override;
    int extent() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
