#include "RendererWatch.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <signal.h>

RendererWatch::RendererWatch(QWebEnginePage* page) : QObject(page), m_page(page)
{
    constexpr int askEveryMs = 1000;
    m_timer = new QTimer(this);
    m_timer->setInterval(askEveryMs);
    connect(m_timer, &QTimer::timeout, this, &RendererWatch::ask);
    m_timer->start();
    // A question may go to a document that is then replaced; the engine drops its answer.
    connect(page, &QWebEnginePage::loadStarted, this, &RendererWatch::forget);
    connect(page, &QWebEnginePage::urlChanged, this, &RendererWatch::forget);
    connect(page, &QWebEnginePage::renderProcessPidChanged, this, &RendererWatch::forget);
    connect(page, &QWebEnginePage::lifecycleStateChanged, this, &RendererWatch::forget);
}

void RendererWatch::forget()
{
    ++m_question;
    m_asked.invalidate();
}

void RendererWatch::ask()
{
    // A frozen page runs no script and a discarded one has no renderer: neither can answer.
    const qint64 pid = m_page->renderProcessPid();
    if (pid == 0 || m_page->lifecycleState() != QWebEnginePage::LifecycleState::Active) {
        forget();
        return;
    }
    if (!m_asked.isValid()) {
        m_asked.start();
        QPointer<RendererWatch> watch(this);
        const quint64 question = m_question;
        m_page->runJavaScript(QStringLiteral("0"), QWebEngineScript::ApplicationWorld,
                              [watch, question](const QVariant&) {
                                  if (watch && watch->m_question == question)
                                      watch->forget();
                              });
        return;
    }
    // In a single process the renderer would be the program itself.
    if (m_asked.elapsed() < patienceMs || pid == QCoreApplication::applicationPid())
        return;
    forget();
    if (::kill(pid_t(pid), SIGKILL) == 0)
        emit ended();
}
