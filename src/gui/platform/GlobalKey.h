#pragma once

#include <QKeySequence>
#include <QObject>
#include <memory>
#include <optional>

class GlobalKeyBackend;

// A key of the program's own, pressed anywhere on the desktop. On X11 the program grabs the
// key on the root windows itself; elsewhere it asks the desktop portal for a global shortcut,
// which the desktop may confirm with the user first. Where neither is possible the user binds
// the desktop's own key settings to the program by hand, and stateText() says so.
class GlobalKey : public QObject {
    Q_OBJECT

public:
    enum class State {
        Off,            // no key set, or released
        Held,           // the key is ours: pressed() comes when the user presses it
        Waiting,        // asked of the desktop (portal), no answer yet
        TakenByAnother, // another program holds this key (X11 BadAccess) or the desktop refused it
        Unavailable     // neither X11 nor a portal with global shortcuts: the user binds the desktop action by hand
    };

    explicit GlobalKey(QObject* parent = nullptr);
    ~GlobalKey() override; // gives the key back

    // Takes this key (the first combination of the sequence; an empty sequence releases), giving
    // back any earlier one.
    void setKey(const QKeySequence& key);
    void release();
    QKeySequence key() const { return m_key; }
    State state() const { return m_state; }

    // One line for the user, in Chinese, of the current state.
    QString stateText() const;

signals:
    void pressed();
    void stateChanged(GlobalKey::State state);

private:
    void setState(State state);

    QKeySequence m_key;
    State m_state = State::Off;
    QKeySequence m_reportedKey; // the key m_state was last announced for
    std::unique_ptr<GlobalKeyBackend> m_backend;
};

// One desktop's way of holding the key. It answers with stateChanged(), at once or later from
// the event loop, and never reports Off: giving the key back is the owner's to announce.
class GlobalKeyBackend : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // The X keysym of a key, by value and by the name the XDG shortcut format uses; empty for
    // a key this program does not offer as its global key.
    struct KeySym {
        quint32 value;
        QString name;
    };
    static std::optional<KeySym> keySym(Qt::Key key);

    // Takes this single, non-empty combination, in place of any earlier one.
    virtual void take(QKeyCombination key) = 0;
    virtual void giveBack() = 0;
    // The line for TakenByAnother, which differs with what refused the key.
    virtual QString takenText(const QString& key) const = 0;

signals:
    void pressed();
    void stateChanged(GlobalKey::State state);
};
