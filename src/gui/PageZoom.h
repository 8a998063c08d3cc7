#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QWebEngineView;

// One zoom for all the result pages of a window, new ones included, in per cent; it
// steps through the levels web browsers use.
class PageZoom : public QObject {
    Q_OBJECT

public:
    explicit PageZoom(QObject* parent = nullptr);

    static const QList<int>& levels();

    int percent() const { return m_percent; }
    // Within the zoom a page can take; outside it, the default.
    void setPercent(int percent);
    bool isDefault() const;
    bool canZoomIn() const;
    bool canZoomOut() const;

    void zoomIn();
    void zoomOut();
    void reset();
    // steps > 0 zooms in, < 0 out, one level a step.
    void step(int steps);

    // The view shows its pages at this zoom from now on.
    void attach(QWebEngineView* view);

signals:
    void changed(int percent);
    // A step asked to go past the largest or the smallest zoom, where the zoom is.
    void limitReached(int percent);

private:
    void apply();

    int m_percent;
    QList<QPointer<QWebEngineView>> m_views;
};
