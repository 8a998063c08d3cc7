#include "X11GlobalKey.h"

#include "GlobalKey.h"
#include "X11Connection.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QList>
#include <algorithm>
#include <cstdlib>
#include <utility>
#include <xcb/xcb.h>

namespace {

struct FreeDeleter {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

constexpr xcb_keysym_t numLockKeySym = 0xff7f;
// Shift, Lock, Control and Mod1 to Mod5; the rest of an event's state is the pointer buttons.
constexpr uint16_t keyboardModifierBits = 0xff;

// The keyboard's keysyms by keycode, as the server has them now.
class KeyboardMapping {
public:
    explicit KeyboardMapping(xcb_connection_t* connection)
    {
        const xcb_setup_t* setup = xcb_get_setup(connection);
        m_firstKeycode = setup->min_keycode;
        m_keycodeCount = setup->max_keycode - setup->min_keycode + 1;
        m_reply.reset(xcb_get_keyboard_mapping_reply(
            connection, xcb_get_keyboard_mapping(connection, m_firstKeycode, m_keycodeCount),
            nullptr));
    }

    // Every keycode that gives one of the keysyms, those that give it without a modifier
    // first.
    QList<xcb_keycode_t> keycodes(std::initializer_list<xcb_keysym_t> wanted) const
    {
        QList<xcb_keycode_t> found;
        if (!m_reply)
            return found;
        const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(m_reply.get());
        const int length = xcb_get_keyboard_mapping_keysyms_length(m_reply.get());
        const int perKeycode = m_reply->keysyms_per_keycode;
        for (int column = 0; column < perKeycode; ++column) {
            for (int index = 0; index < m_keycodeCount; ++index) {
                const int at = index * perKeycode + column;
                if (at >= length)
                    break;
                const auto keycode = xcb_keycode_t(m_firstKeycode + index);
                if (std::find(wanted.begin(), wanted.end(), keysyms[at]) != wanted.end()
                    && !found.contains(keycode))
                    found.append(keycode);
            }
        }
        return found;
    }

private:
    XcbReply<xcb_get_keyboard_mapping_reply_t> m_reply;
    xcb_keycode_t m_firstKeycode = 0;
    int m_keycodeCount = 0;
};

// The ModN that Num_Lock sets, which differs between keyboards; usually Mod2.
uint16_t numLockMask(xcb_connection_t* connection, const KeyboardMapping& mapping)
{
    const QList<xcb_keycode_t> numLockKeys = mapping.keycodes({numLockKeySym});
    XcbReply<xcb_get_modifier_mapping_reply_t> reply(xcb_get_modifier_mapping_reply(
        connection, xcb_get_modifier_mapping(connection), nullptr));
    if (!reply || numLockKeys.isEmpty())
        return 0;
    const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(reply.get());
    const int perModifier = reply->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            if (numLockKeys.contains(keycodes[modifier * perModifier + i]))
                return uint16_t(1 << modifier);
        }
    }
    return 0;
}

uint16_t x11Modifiers(Qt::KeyboardModifiers modifiers)
{
    uint16_t mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Qt::AltModifier)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & Qt::MetaModifier)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

// The key grabbed on every screen's root window. A passive grab only matches the exact
// modifiers, so each is grabbed again with NumLock and CapsLock in every combination.
class X11GlobalKey final : public GlobalKeyBackend, public QAbstractNativeEventFilter {
public:
    explicit X11GlobalKey(xcb_connection_t* connection) : m_connection(connection)
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~X11GlobalKey() override { ungrab(); }

    void take(QKeyCombination key) override
    {
        ungrab();
        m_noSuchKey = false;
        const KeyboardMapping mapping(m_connection);
        const std::optional<KeySym> keySym = GlobalKeyBackend::keySym(key.key());
        QList<xcb_keycode_t> keycodes;
        if (keySym) {
            const xcb_keysym_t value = keySym->value;
            const bool letter = value >= 'a' && value <= 'z';
            keycodes = mapping.keycodes({value, letter ? value - 0x20 : value});
        }
        if (keycodes.isEmpty()) {
            m_noSuchKey = true;
            emit stateChanged(GlobalKey::State::TakenByAnother);
            return;
        }
        const uint16_t numLock = numLockMask(m_connection, mapping);
        m_keycode = keycodes.first();
        m_modifiers = x11Modifiers(key.keyboardModifiers());
        m_ignoredModifiers = numLock | XCB_MOD_MASK_LOCK;

        QList<uint16_t> lockCombinations;
        for (uint16_t extra : {uint16_t(0), numLock, uint16_t(XCB_MOD_MASK_LOCK),
                               uint16_t(numLock | XCB_MOD_MASK_LOCK)}) {
            if (!lockCombinations.contains(extra))
                lockCombinations.append(extra);
        }
        QList<std::pair<Grab, xcb_void_cookie_t>> requests;
        for (xcb_window_t root : X11Connection::roots(m_connection)) {
            for (uint16_t extra : lockCombinations) {
                const Grab grab{root, uint16_t(m_modifiers | extra)};
                requests.append({grab, xcb_grab_key_checked(m_connection, 1, root,
                                                            grab.modifiers, m_keycode,
                                                            XCB_GRAB_MODE_ASYNC,
                                                            XCB_GRAB_MODE_ASYNC)});
            }
        }
        // Any refusal, BadAccess above all, means another client holds one of the combinations;
        // half a key would work only while NumLock or CapsLock is in one state, so none is kept.
        bool refused = false;
        for (const auto& [grab, cookie] : requests) {
            if (XcbReply<xcb_generic_error_t>(xcb_request_check(m_connection, cookie)))
                refused = true;
            else
                m_grabs.append(grab);
        }
        if (refused || m_grabs.isEmpty()) {
            ungrab();
            emit stateChanged(GlobalKey::State::TakenByAnother);
            return;
        }
        xcb_flush(m_connection);
        emit stateChanged(GlobalKey::State::Held);
    }

    void giveBack() override { ungrab(); }

    QString takenText(const QString& key) const override
    {
        if (m_noSuchKey)
            return QStringLiteral("此键盘上没有 %1，请换一个键").arg(key);
        return QStringLiteral("%1 已被其他程序占用，请换一个键").arg(key);
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (m_grabs.isEmpty() || eventType != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        const uint8_t type = event->response_type & ~0x80;
        if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
            return false;
        // A release has the layout of a press.
        const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
        if (key->detail != m_keycode) {
            if (type == XCB_KEY_PRESS)
                m_down = false;
            return false;
        }
        if (type == XCB_KEY_RELEASE) {
            const bool ours = m_down;
            m_down = false;
            m_releaseTime = key->time;
            return ours;
        }
        if ((key->state & keyboardModifierBits & ~m_ignoredModifiers) != m_modifiers)
            return false;
        // A key held down repeats, as presses alone where the client asked the keyboard
        // extension for that, else as a release and a press at the same time; only the first
        // press is one of the user's.
        const bool repeat = m_down || key->time == m_releaseTime;
        m_down = true;
        if (!repeat)
            QMetaObject::invokeMethod(
                this, [this] { emit pressed(); }, Qt::QueuedConnection);
        return true;
    }

private:
    struct Grab {
        xcb_window_t root;
        uint16_t modifiers;
    };

    void ungrab()
    {
        for (const Grab& grab : std::as_const(m_grabs))
            xcb_ungrab_key(m_connection, m_keycode, grab.root, grab.modifiers);
        if (!m_grabs.isEmpty())
            xcb_flush(m_connection);
        m_grabs.clear();
        m_down = false;
    }

    xcb_connection_t* m_connection;
    xcb_keycode_t m_keycode = 0;
    uint16_t m_modifiers = 0;
    uint16_t m_ignoredModifiers = 0;
    QList<Grab> m_grabs;
    bool m_down = false;
    xcb_timestamp_t m_releaseTime = XCB_CURRENT_TIME;
    bool m_noSuchKey = false;
};

} // namespace

std::unique_ptr<GlobalKeyBackend> makeX11GlobalKey()
{
    xcb_connection_t* connection = X11Connection::connection();
    if (!connection)
        return nullptr;
    return std::make_unique<X11GlobalKey>(connection);
}
