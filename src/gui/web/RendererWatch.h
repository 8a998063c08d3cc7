#pragma once

#include <QElapsedTimer>
#include <QObject>

class QTimer;
class QWebEnginePage;

// Keeps asking a page's renderer for a sign of life. A renderer runs all the script of its
// page on one thread, so a question that stays unanswered means the page's script has not
// given the thread back; after long enough the renderer is ended, which frees whatever else
// it would hold up and lets the page show something in its place. A page that is slow to
// arrive is not asked: its renderer answers from the page before it.
class RendererWatch : public QObject {
    Q_OBJECT

public:
    static constexpr int patienceMs = 10000;

    explicit RendererWatch(QWebEnginePage* page);

signals:
    // The renderer did not answer and has been ended; its death follows as for a crash.
    void ended();

private:
    void ask();
    void forget();

    QWebEnginePage* m_page;
    QTimer* m_timer;
    QElapsedTimer m_asked;  // since the unanswered question went out; invalid when none is
    quint64 m_question = 0; // answers to questions before a navigation do not count
};
