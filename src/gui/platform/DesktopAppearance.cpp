#include "DesktopAppearance.h"

#include "Portal.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace {

const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString appearanceGroup = QStringLiteral("org.freedesktop.appearance");
const QString schemeKey = QStringLiteral("color-scheme");
const QString contrastKey = QStringLiteral("contrast");
// A portal that does not answer at once must not hold up the window.
constexpr int portalTimeoutMs = 500;

// The portal wraps the value in a variant, older ones twice.
QVariant unwrapped(QVariant value)
{
    while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    return value;
}

std::optional<uint> readSetting(const QString& key)
{
    QDBusMessage call = QDBusMessage::createMethodCall(Portal::service, Portal::path,
                                                       settingsInterface, QStringLiteral("Read"));
    call << appearanceGroup << key;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block,
                                                                  portalTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    bool number = false;
    const uint value = unwrapped(reply.arguments().first()).toUInt(&number);
    return number ? std::optional<uint>(value) : std::nullopt;
}

QString configFile(const QString& name)
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(name);
}

} // namespace

DesktopAppearance::DesktopAppearance(QObject* parent) : QObject(parent)
{
    if (!readPortal())
        readDesktopFiles();
    QDBusConnection::sessionBus().connect(Portal::service, Portal::path, settingsInterface,
                                          QStringLiteral("SettingChanged"), this,
                                          SLOT(settingChanged(QString, QString, QDBusVariant)));
}

bool DesktopAppearance::readPortal()
{
    if (!QDBusConnection::sessionBus().isConnected())
        return false;
    const std::optional<uint> scheme = readSetting(schemeKey);
    if (!scheme)
        return false;
    m_scheme = *scheme <= 2 ? Scheme(*scheme) : Scheme::NoPreference;
    m_highContrast = readSetting(contrastKey).value_or(0) == 1;
    return true;
}

void DesktopAppearance::readDesktopFiles()
{
    QString theme = qEnvironmentVariable("GTK_THEME");
    const QSettings gtk(configFile(QStringLiteral("gtk-3.0/settings.ini")), QSettings::IniFormat);
    if (theme.isEmpty())
        theme = gtk.value(QStringLiteral("Settings/gtk-theme-name")).toString();
    const QString preferDark =
        gtk.value(QStringLiteral("Settings/gtk-application-prefer-dark-theme")).toString();
    const QSettings kde(configFile(QStringLiteral("kdeglobals")), QSettings::IniFormat);
    // QSettings reads an INI file's [General] section as its top level.
    const QString kdeScheme = kde.value(QStringLiteral("ColorScheme")).toString();

    const bool dark = theme.endsWith(QLatin1String("-dark"), Qt::CaseInsensitive)
                      || theme.endsWith(QLatin1String(":dark"), Qt::CaseInsensitive)
                      || preferDark == QLatin1String("1") || preferDark == QLatin1String("true")
                      || kdeScheme.contains(QLatin1String("Dark"), Qt::CaseInsensitive);
    m_scheme = dark ? Scheme::Dark : Scheme::NoPreference;
    m_highContrast = theme.contains(QLatin1String("HighContrast"), Qt::CaseInsensitive)
                     || kdeScheme.contains(QLatin1String("HighContrast"), Qt::CaseInsensitive);
}

void DesktopAppearance::settingChanged(const QString& group, const QString& key,
                                       const QDBusVariant& value)
{
    if (group != appearanceGroup || (key != schemeKey && key != contrastKey))
        return;
    bool number = false;
    const uint setting = unwrapped(value.variant()).toUInt(&number);
    if (!number)
        return;
    if (key == schemeKey)
        m_scheme = setting <= 2 ? Scheme(setting) : Scheme::NoPreference;
    else
        m_highContrast = setting == 1;
    emit changed();
}
