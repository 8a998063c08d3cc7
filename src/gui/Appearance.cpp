#include "Appearance.h"

#include "platform/DesktopAppearance.h"

#include <QApplication>

namespace {
// The engine's switches: pages see prefers-color-scheme: dark; pages without a dark
// style of their own are darkened by the engine.
const QByteArray darkScheme = QByteArrayLiteral("--force-dark-mode");
const QByteArray darkenedPages = QByteArrayLiteral("--blink-settings=forceDarkModeEnabled=true");
} // namespace

Appearance::Appearance(Choice choice, bool darkPages, QObject* parent)
    : QObject(parent),
      m_choice(choice),
      m_darkPages(darkPages),
      m_desktop(new DesktopAppearance(this)),
      m_lightPalette(QApplication::palette())
{
    connect(m_desktop, &DesktopAppearance::changed, this, &Appearance::apply);
    apply();
}

Appearance::~Appearance()
{
    if (m_applied != Palette::Look{})
        QApplication::setPalette(m_lightPalette);
}

Palette::Look Appearance::look() const
{
    Palette::Look look;
    look.highContrast = m_desktop->highContrast();
    switch (m_choice) {
    case Choice::FollowDesktop:
        look.dark = m_desktop->scheme() == DesktopAppearance::Scheme::Dark;
        break;
    case Choice::Light:
        look.dark = false;
        break;
    case Choice::Dark:
        look.dark = true;
        break;
    }
    return look;
}

void Appearance::setChoice(Choice choice)
{
    m_choice = choice;
    apply();
}

void Appearance::setDarkPages(bool dark)
{
    m_darkPages = dark;
    emit lookChanged(m_applied);
}

// Light is the toolkit's own palette, untouched; the others are set over it.
void Appearance::apply()
{
    const Palette::Look wanted = look();
    if (wanted == m_applied)
        return;
    m_applied = wanted;
    QApplication::setPalette(Palette::windowPalette(wanted, m_lightPalette));
    emit lookChanged(wanted);
}

void Appearance::prepareEngine()
{
    m_engineDark = look().dark;
    m_engineDarkPages = m_engineDark && m_darkPages;
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    for (const QByteArray& flag : {darkScheme, darkenedPages})
        flags.replace(flag, QByteArray());
    if (m_engineDark)
        flags += ' ' + darkScheme;
    if (m_engineDarkPages)
        flags += ' ' + darkenedPages;
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.simplified());
}

bool Appearance::enginePagesDarkened()
{
    return qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").contains(darkenedPages);
}

bool Appearance::pagesWaitForRestart() const
{
    const bool dark = look().dark;
    return dark != m_engineDark || (dark && m_darkPages) != m_engineDarkPages;
}
