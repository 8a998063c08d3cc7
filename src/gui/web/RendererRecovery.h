#pragma once

#include <QElapsedTimer>
#include <QObject>

class QWebEnginePage;

// What becomes of a page whose renderer dies. A renderer that crashed takes its page with
// it: the page is loaded again, once; a page that kills its renderer right after that
// reload would otherwise go round in an endless loop of reloads. A page being watched for
// a renderer that stops answering (RendererWatch) has it ended, and is not reloaded: it
// would only hang again; whoever shows the page says so instead.
class RendererRecovery : public QObject {
    Q_OBJECT

public:
    explicit RendererRecovery(QWebEnginePage* page);

    // From now on a renderer that stops answering is ended.
    void watchForHangs();
    // Its renderer died and no new one has taken over yet: the page shows nothing.
    bool dead() const { return m_dead; }

signals:
    // The renderer died, or a new one took over.
    void deadChanged();
    // The renderer was ended for not answering; the page is left as it is.
    void stoppedAnswering();

private:
    void terminated();
    void checkRenderer();

    QWebEnginePage* m_page;
    bool m_watching = false;
    bool m_dead = false;
    bool m_ended = false;      // ended for not answering, not crashed
    QElapsedTimer m_recovered; // since the last reload after a renderer died
};
