#pragma once

#include <QObject>
#include <QString>

class QTimer;
class QWidget;
class TWebBrowser;

// The banner's life in the result area. It loads the maker's page once the window has
// painted for the first time (the engine's start must not hold up that paint), and the
// built-in start page when the maker's cannot be reached. While result tabs cover it, it
// rests: once its page is in, the page and its renderer go. When it comes forward again
// it loads what it showed last, once.
class Banner : public QObject {
    Q_OBJECT

public:
    // view shows the banner inside panel, which is hidden while it is covered; window is
    // the main window whose first paint starts the first load.
    Banner(TWebBrowser* view, QWidget* panel, QWidget* window, const QString& address,
           const QString& fallbackAddress);

    // Whether it rests while covered; on by default.
    void setResting(bool resting) { m_resting = resting; }

    // The window is put away for a while: the page and its renderer go now, and a banner
    // that has not loaded yet waits. It loads again as the window comes back.
    void rest();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadFirst();
    void load();
    void loaded(bool ok);
    void restIfCovered();
    bool covered() const;

    enum class State { Waiting, Loading, Shown, Resting };

    TWebBrowser* m_view;
    QWidget* m_panel;
    QWidget* m_window;
    QString m_address;
    const QString m_fallbackAddress;
    State m_state = State::Waiting;
    bool m_resting = true;
    QTimer* m_restTimer;
};
