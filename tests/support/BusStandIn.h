#pragma once

#include <QDBusMessage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QVariantList>

// A desktop service played by a small script on the test's own session bus (the tests run
// under dbus-run-session): started, asked what the program told it, and ended with the test.
class BusStandIn {
public:
    // Runs script with the arguments and waits until it owns serviceName on the bus.
    bool start(const QString& script, const QStringList& arguments, const QString& serviceName);
    void stop();
    ~BusStandIn() { stop(); }

    // A call to the stand-in's own test interface; its reply (an error reply where it failed).
    QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments = {}) const;

private:
    QProcess m_process;
    QString m_service;
};
