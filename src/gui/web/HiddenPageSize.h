#pragma once

#include <QObject>
#include <QPointer>

class QWebEngineView;
class QWidget;

// A result view behind another tab has never been shown, so the toolkit leaves it, and the
// engine's drawing surface inside it, at its default 100 × 30 pixels. The page would lay
// out that narrow (a text page then has eight times the lines, a few MB more in its
// renderer), its scripts would read a window 100 pixels wide, and showing the tab would
// lay it all out again. While the view is hidden, this gives it the size of the area it
// will be shown in; once shown, the toolkit's layout takes over. A window resized
// meanwhile reaches the page when its tab is shown, as it does in a browser.
class HiddenPageSize : public QObject {
public:
    HiddenPageSize(QWebEngineView* view, QWidget* area);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fit();

    QWebEngineView* m_view;
    QPointer<QWidget> m_area;
};
