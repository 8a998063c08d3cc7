#include "PortalGlobalKey.h"

#include "Portal.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QRandomGenerator>
#include <QStringList>

namespace {

const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");
const QString shortcutId = QStringLiteral("popup");
// Only the call itself: the answer, which may wait on the user, comes later as a signal.
constexpr int callTimeoutMs = 5000;

struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

// The XDG shortcut format: CTRL, ALT, SHIFT and LOGO, then the keysym's name.
QString xdgTrigger(QKeyCombination key)
{
    const std::optional<GlobalKeyBackend::KeySym> keySym = GlobalKeyBackend::keySym(key.key());
    if (!keySym)
        return {};
    QStringList parts;
    const Qt::KeyboardModifiers modifiers = key.keyboardModifiers();
    if (modifiers & Qt::ControlModifier)
        parts << QStringLiteral("CTRL");
    if (modifiers & Qt::AltModifier)
        parts << QStringLiteral("ALT");
    if (modifiers & Qt::ShiftModifier)
        parts << QStringLiteral("SHIFT");
    if (modifiers & Qt::MetaModifier)
        parts << QStringLiteral("LOGO");
    parts << keySym->name;
    return parts.join(QLatin1Char('+'));
}

// The session handle comes as a string from some portals and as an object path from others.
QString pathValue(const QVariant& value)
{
    if (value.userType() == qMetaTypeId<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

} // namespace

Q_DECLARE_METATYPE(PortalShortcut)

PortalGlobalKey::PortalGlobalKey(QObject* parent)
    : GlobalKeyBackend(parent), m_bus(QDBusConnection::sessionBus())
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    // QtDBus looks a slot's parameter types up by name, and finds the object path's only once
    // it has been registered; until the bus has carried one, the connection fails silently.
    qRegisterMetaType<QDBusObjectPath>();
    m_bus.connect(Portal::service, Portal::path, shortcutsInterface, QStringLiteral("Activated"), this,
                  SLOT(activated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
}

PortalGlobalKey::~PortalGlobalKey()
{
    forgetRequest();
    closeSession();
}

void PortalGlobalKey::take(QKeyCombination key)
{
    m_wanted = key;
    if (!m_bus.isConnected()) {
        report(GlobalKey::State::Unavailable);
        return;
    }
    report(GlobalKey::State::Waiting);
    advance();
}

void PortalGlobalKey::giveBack()
{
    m_wanted.reset();
    advance();
}

QString PortalGlobalKey::takenText(const QString& key) const
{
    return QStringLiteral("桌面没有同意把 %1 用作全局快捷键，请换一个键").arg(key);
}

// One step towards a session with the wanted key bound, or with none open.
void PortalGlobalKey::advance()
{
    if (m_asked == Asked::Session)
        return; // its answer comes back here
    if (!m_wanted || (m_bound && *m_bound != *m_wanted)) {
        forgetRequest();
        closeSession();
    }
    if (!m_wanted)
        return;
    if (m_session.isEmpty())
        createSession();
    else if (!m_bound)
        bind();
}

void PortalGlobalKey::createSession()
{
    QDBusMessage call = QDBusMessage::createMethodCall(Portal::service, Portal::path,
                                                       shortcutsInterface,
                                                       QStringLiteral("CreateSession"));
    const QString token = newToken();
    call << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("session_handle_token"), newToken()}};
    ask(call, token, Asked::Session);
}

void PortalGlobalKey::bind()
{
    m_bound = m_wanted;
    QVariantMap properties{{QStringLiteral("description"), QStringLiteral("查询选中的文字")}};
    const QString trigger = xdgTrigger(*m_wanted);
    // Without a trigger of ours the desktop lets the user choose one.
    if (!trigger.isEmpty())
        properties.insert(QStringLiteral("preferred_trigger"), trigger);
    const QList<PortalShortcut> shortcuts{{shortcutId, properties}};

    QDBusMessage call = QDBusMessage::createMethodCall(Portal::service, Portal::path,
                                                       shortcutsInterface,
                                                       QStringLiteral("BindShortcuts"));
    const QString token = newToken();
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariant::fromValue(shortcuts)
         << QString() << QVariantMap{{QStringLiteral("handle_token"), token}};
    ask(call, token, Asked::Binding);
}

// The answer may come before the call's reply, so the request is watched on the path the
// portal will give it before the call goes out.
void PortalGlobalKey::ask(QDBusMessage call, const QString& token, Asked what)
{
    const QString sender = m_bus.baseService().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    watchRequest(QStringLiteral("%1/request/%2/%3").arg(Portal::path, sender, token));
    m_asked = what;
    const quint64 serial = m_requestSerial;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, serial] {
        watcher->deleteLater();
        if (serial != m_requestSerial)
            return;
        const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        callFinished(reply.isError(), reply.isError() ? QString() : reply.value().path());
    });
}

void PortalGlobalKey::callFinished(bool failed, const QString& requestPath)
{
    if (failed) {
        const bool binding = m_asked == Asked::Binding;
        forgetRequest();
        if (binding)
            closeSession();
        report(GlobalKey::State::Unavailable);
        return;
    }
    // An older portal names the request itself.
    if (requestPath != m_request) {
        const Asked asked = m_asked;
        forgetRequest();
        watchRequest(requestPath);
        m_asked = asked;
    }
}

void PortalGlobalKey::requestAnswered(uint response, const QVariantMap& results,
                                      const QDBusMessage& message)
{
    if (message.path() != m_request)
        return;
    const Asked asked = m_asked;
    forgetRequest();
    if (asked == Asked::Session) {
        m_session = response == 0 ? pathValue(results.value(QStringLiteral("session_handle")))
                                  : QString();
        if (m_session.isEmpty()) {
            report(GlobalKey::State::Unavailable);
            return;
        }
        m_bus.connect(Portal::service, m_session, sessionInterface, QStringLiteral("Closed"), this,
                      SLOT(sessionClosed(QVariantMap)));
        advance();
    } else if (asked == Asked::Binding) {
        // 1: the user cancelled the desktop's dialog; 2: the desktop refused on its own.
        if (response == 0) {
            report(GlobalKey::State::Held);
        } else {
            closeSession();
            report(GlobalKey::State::TakenByAnother);
        }
    }
}

void PortalGlobalKey::activated(const QDBusObjectPath& session, const QString& shortcut,
                                qulonglong, const QVariantMap&)
{
    if (session.path() == m_session && shortcut == shortcutId && m_bound
        && m_asked == Asked::Nothing)
        emit pressed();
}

void PortalGlobalKey::sessionClosed(const QVariantMap&)
{
    m_bus.disconnect(Portal::service, m_session, sessionInterface, QStringLiteral("Closed"), this,
                     SLOT(sessionClosed(QVariantMap)));
    m_session.clear();
    m_bound.reset();
    forgetRequest();
    report(GlobalKey::State::TakenByAnother);
}

void PortalGlobalKey::watchRequest(const QString& path)
{
    m_request = path;
    m_bus.connect(Portal::service, m_request, requestInterface, QStringLiteral("Response"), this,
                  SLOT(requestAnswered(uint, QVariantMap, QDBusMessage)));
}

void PortalGlobalKey::forgetRequest()
{
    if (!m_request.isEmpty())
        m_bus.disconnect(Portal::service, m_request, requestInterface, QStringLiteral("Response"),
                         this, SLOT(requestAnswered(uint, QVariantMap, QDBusMessage)));
    m_request.clear();
    m_asked = Asked::Nothing;
    ++m_requestSerial;
}

void PortalGlobalKey::closeSession()
{
    if (m_session.isEmpty())
        return;
    m_bus.disconnect(Portal::service, m_session, sessionInterface, QStringLiteral("Closed"), this,
                     SLOT(sessionClosed(QVariantMap)));
    m_bus.send(QDBusMessage::createMethodCall(Portal::service, m_session, sessionInterface,
                                              QStringLiteral("Close")));
    m_session.clear();
    m_bound.reset();
}

void PortalGlobalKey::report(GlobalKey::State state)
{
    if (m_wanted)
        emit stateChanged(state);
}

QString PortalGlobalKey::newToken() const
{
    return QStringLiteral("veritome%1").arg(QRandomGenerator::global()->generate());
}
