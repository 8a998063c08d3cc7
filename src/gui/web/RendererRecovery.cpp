#include "RendererRecovery.h"

#include "RendererWatch.h"

#include <QWebEnginePage>

RendererRecovery::RendererRecovery(QWebEnginePage* page) : QObject(page), m_page(page)
{
    connect(page, &QWebEnginePage::renderProcessTerminated, this, &RendererRecovery::terminated);
    connect(page, &QWebEnginePage::renderProcessPidChanged, this, &RendererRecovery::checkRenderer);
    connect(page, &QWebEnginePage::loadFinished, this, &RendererRecovery::checkRenderer);
}

void RendererRecovery::watchForHangs()
{
    if (std::exchange(m_watching, true))
        return;
    connect(new RendererWatch(m_page), &RendererWatch::ended, this, [this] { m_ended = true; });
}

void RendererRecovery::terminated()
{
    m_dead = true;
    emit deadChanged();
    // Not from inside the engine's report of the death.
    if (std::exchange(m_ended, false)) {
        QMetaObject::invokeMethod(this, &RendererRecovery::stoppedAnswering, Qt::QueuedConnection);
        return;
    }
    constexpr qint64 recoveryQuietMs = 30000;
    if (m_recovered.isValid() && m_recovered.elapsed() < recoveryQuietMs)
        return;
    m_recovered.start();
    // The engine's own reload: the page's may stand for another address.
    QMetaObject::invokeMethod(
        this, [this] { m_page->QWebEnginePage::triggerAction(QWebEnginePage::Reload); },
        Qt::QueuedConnection);
}

void RendererRecovery::checkRenderer()
{
    if (!m_dead || m_page->renderProcessPid() == 0)
        return;
    m_dead = false;
    emit deadChanged();
}
