#pragma once

#include "GlobalKey.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QVariantMap>
#include <optional>

// The key as a global shortcut of the desktop portal's: a session of the program's own, in
// which the desktop binds the shortcut once it (or the user, in a dialog of the desktop's) has
// agreed. Every answer comes later, as a Response signal on a request object, so the key waits
// meanwhile; a new key closes the session and asks again in a new one.
class PortalGlobalKey final : public GlobalKeyBackend {
    Q_OBJECT

public:
    explicit PortalGlobalKey(QObject* parent = nullptr);
    ~PortalGlobalKey() override;

    void take(QKeyCombination key) override;
    void giveBack() override;
    QString takenText(const QString& key) const override;

private slots:
    void requestAnswered(uint response, const QVariantMap& results, const QDBusMessage& message);
    void activated(const QDBusObjectPath& session, const QString& shortcut, qulonglong timestamp,
                   const QVariantMap& options);
    void sessionClosed(const QVariantMap& details);

private:
    enum class Asked { Nothing, Session, Binding };

    void advance();
    void createSession();
    void bind();
    void ask(QDBusMessage call, const QString& token, Asked what);
    void callFinished(bool failed, const QString& requestPath);
    void watchRequest(const QString& path);
    void forgetRequest();
    void closeSession();
    void report(GlobalKey::State state);
    QString newToken() const;

    QDBusConnection m_bus;
    std::optional<QKeyCombination> m_wanted;
    // The key asked of m_session; a session binds once.
    std::optional<QKeyCombination> m_bound;
    QString m_session;
    QString m_request;
    Asked m_asked = Asked::Nothing;
    // Tells a call's late reply from the answer to the request now open.
    quint64 m_requestSerial = 0;
};
