#include "GlobalKey.h"

#include "PortalGlobalKey.h"
#include "X11GlobalKey.h"

#include <QGuiApplication>

GlobalKey::GlobalKey(QObject* parent) : QObject(parent)
{
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        m_backend = makeX11GlobalKey();
    if (!m_backend)
        m_backend = std::make_unique<PortalGlobalKey>();
    connect(m_backend.get(), &GlobalKeyBackend::pressed, this, [this] {
        if (m_state == State::Held)
            emit pressed();
    });
    // A portal's late answer for a key since given back is no longer news.
    connect(m_backend.get(), &GlobalKeyBackend::stateChanged, this, [this](State state) {
        if (!m_key.isEmpty())
            setState(state);
    });
}

GlobalKey::~GlobalKey()
{
    if (!m_key.isEmpty())
        m_backend->giveBack();
}

void GlobalKey::setKey(const QKeySequence& key)
{
    if (key.isEmpty()) {
        release();
        return;
    }
    const QKeySequence first(key[0]);
    if (first == m_key && (m_state == State::Held || m_state == State::Waiting))
        return;
    m_key = first;
    m_backend->take(key[0]);
}

void GlobalKey::release()
{
    if (m_key.isEmpty())
        return;
    m_backend->giveBack();
    m_key = QKeySequence();
    setState(State::Off);
}

QString GlobalKey::stateText() const
{
    const QString name = m_key.toString(QKeySequence::PortableText);
    switch (m_state) {
    case State::Off:
        return QStringLiteral("未设定查询选中文字的全局快捷键");
    case State::Held:
        return QStringLiteral("按 %1 在任何程序中查询选中的文字").arg(name);
    case State::Waiting:
        return QStringLiteral("已请桌面确认 %1，请在桌面弹出的对话框中允许").arg(name);
    case State::TakenByAnother:
        return m_backend->takenText(name);
    case State::Unavailable:
        break;
    }
    return QStringLiteral(
        "此桌面不提供全局快捷键：请在桌面的设置中把“查询选中的文字”绑定到一个键");
}

// A new key is news even when its state is the one the last key had.
void GlobalKey::setState(State state)
{
    if (state == m_state && m_key == m_reportedKey)
        return;
    m_state = state;
    m_reportedKey = m_key;
    emit stateChanged(state);
}

std::optional<GlobalKeyBackend::KeySym> GlobalKeyBackend::keySym(Qt::Key key)
{
    // Letters, digits and the rest of printable ASCII share their codes with their keysyms;
    // a letter's keysym is the lower case one, as a key's first level is.
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde) {
        const QChar character = QChar(int(key)).toLower();
        if (character.isLetterOrNumber())
            return KeySym{character.unicode(), QString(character)};
        if (key == Qt::Key_Space)
            return KeySym{0x20, QStringLiteral("space")};
        return std::nullopt;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35) {
        const int number = key - Qt::Key_F1;
        return KeySym{0xffbe + quint32(number), QStringLiteral("F%1").arg(number + 1)};
    }
    switch (key) {
    case Qt::Key_Insert:
        return KeySym{0xff63, QStringLiteral("Insert")};
    case Qt::Key_Home:
        return KeySym{0xff50, QStringLiteral("Home")};
    case Qt::Key_End:
        return KeySym{0xff57, QStringLiteral("End")};
    case Qt::Key_PageUp:
        return KeySym{0xff55, QStringLiteral("Page_Up")};
    case Qt::Key_PageDown:
        return KeySym{0xff56, QStringLiteral("Page_Down")};
    case Qt::Key_Pause:
        return KeySym{0xff13, QStringLiteral("Pause")};
    case Qt::Key_Print:
        return KeySym{0xff61, QStringLiteral("Print")};
    default:
        return std::nullopt;
    }
}
