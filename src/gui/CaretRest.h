#pragma once

#include <QObject>
#include <QTimer>

// Text carets blink while the user works and stand still once nothing has been typed or
// clicked for a while: a blink repaints the window, and a window that holds web views is
// costly to repaint, twice a second for as long as the program sits there.
class CaretRest : public QObject {
    Q_OBJECT

public:
    static constexpr int defaultRest = 10000; // ms

    explicit CaretRest(QObject* parent = nullptr, int restMs = defaultRest);
    ~CaretRest() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rest();

    int m_flashTime; // the desktop's own
    QTimer m_timer;
};
