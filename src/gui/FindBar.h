#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QToolButton;
class QWebEngineFindTextResult;
class QWebEnginePage;
class QWebEngineView;

// Finding text in the active result page: the bar under the tabs finds as the user types,
// the page marks every match, and the bar tells which match is the current one and how
// many there are. The term stays when the active page changes, and is found there again.
class FindBar : public QWidget {
    Q_OBJECT

public:
    // activeView gives the page the bar acts on, or nullptr while there is none.
    FindBar(std::function<QWebEngineView*()> activeView, QWidget* parent);

    QString term() const;
    // What the bar says about the last find: the match and count, that there is none, or
    // nothing.
    QString resultText() const;

    // Shows the bar with its field ready for typing, and finds the term there is.
    void open();
    // The next or previous match; the bar opens first where it is closed.
    void findNext();
    void findPrevious();
    // Hides the bar, takes the marks off the page, and gives the focus back to where it was
    // before the bar opened.
    void close();
    // The active page has changed: the term is found in the new one, if there is one.
    void activePageChanged();
    // The active page has loaded: its marks went with the old content.
    void activePageLoaded();

    QLineEdit* field() const { return m_field; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Direction { Forward, Backward };
    void find(Direction direction);
    void clearMarks();
    void showResult(const QWebEngineFindTextResult& result);

    std::function<QWebEngineView*()> m_activeView;
    QLineEdit* m_field;
    QLabel* m_result;
    QToolButton* m_previous;
    QToolButton* m_next;
    QToolButton* m_close;
    QPointer<QWebEnginePage> m_markedPage; // the page that shows the marks now
    QPointer<QWidget> m_focusBefore;
    int m_request = 0; // the newest find; answers to older ones are dropped
};
