#pragma once

#include <QObject>

class QWebEngineView;

// The mouse's back and forward buttons and Ctrl with the wheel over one view: the window
// decides what they do, for all its pages alike, in place of the engine's own handling
// of each page by itself.
class PageInput : public QObject {
    Q_OBJECT

public:
    // Watches the view for as long as it lives.
    explicit PageInput(QWebEngineView* view);

signals:
    void backRequested();
    void forwardRequested();
    // One step per notch of the wheel: > 0 to zoom in, < 0 to zoom out.
    void zoomRequested(int steps);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watch(QObject* object);

    int m_wheelRest = 0; // turns of a fine wheel that do not make a notch yet
};
