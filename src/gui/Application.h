#pragma once

#include <QLocale>
#include <QObject>
#include <QString>
#include <exception>

class QApplication;
class QWidget;

// What the whole program shares: its title, its message boxes, and the edge at which a
// handler's error is caught and shown.
namespace App {

inline const QString title = QStringLiteral("Veritome");

// How the engine draws and holds its pages: lean as the program runs, or as the engine
// comes (for measuring what the lean set-up saves).
enum class EngineFootprint { Lean, EngineDefaults };

// Sets up the window system and the web engine for this process; call before the
// QApplication exists.
void prepareProcess(EngineFootprint footprint = EngineFootprint::Lean);
// Sets up what needs the application object and must be settled before the first web
// view: the program's language and how web views are drawn.
void prepareApplication(QApplication& application);

// Everything the program, its toolkit and its web engine show is Simplified Chinese,
// whatever the system's locale; pages are asked for in Chinese first.
inline QLocale language()
{
    return QLocale(QLocale::Chinese, QLocale::SimplifiedHanScript, QLocale::China);
}
inline const QString acceptLanguage = QStringLiteral("zh-CN,zh;q=0.9");

// The error's text, with a full stop added when its last character sorts after '.'.
QString errorBoxText(const QString& text);

// The application's standard error box: the text, the title, an error icon, OK.
void showErrorBox(const QString& text);
void showCurrentException();

// Shows the window, unminimised, on top and with the focus, as far as the desktop lets it.
void bringToFront(QWidget& window);

// Modal boxes of the program's own, owned by the given window.
void showInformation(QWidget* owner, const QString& text);
bool confirm(QWidget* owner, const QString& text); // OK and Cancel; true for OK

// Runs a handler; an error it raises stops here and is shown in the standard error box.
template <typename Handler>
void guarded(Handler&& handler) noexcept
{
    try {
        handler();
    } catch (...) {
        showCurrentException();
    }
}

// Connects a signal to a handler of the design's shape, handler(Sender), through guarded.
template <typename Sender, typename Signal, typename Receiver>
void connectGuarded(Sender* sender, Signal signal, Receiver* receiver,
                    void (Receiver::*handler)(QObject*))
{
    QObject::connect(sender, signal, receiver, [sender, receiver, handler] {
        guarded([&] { (receiver->*handler)(sender); });
    });
}

} // namespace App
