#include "BusStandIn.h"

#include "TestTools.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

bool BusStandIn::start(const QString& script, const QStringList& arguments,
                       const QString& serviceName)
{
    m_service = serviceName;
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
    m_process.start(QStringLiteral("/usr/bin/python3"), QStringList{script} + arguments);
    return waitUntil(
        [this] {
            return QDBusConnection::sessionBus().interface()->isServiceRegistered(m_service);
        },
        10000);
}

void BusStandIn::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished();
}

QDBusMessage BusStandIn::call(const QString& path, const QString& interface,
                              const QString& method, const QVariantList& arguments) const
{
    QDBusMessage message = QDBusMessage::createMethodCall(m_service, path, interface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message);
}
