#pragma once

#include <QObject>

class QDBusVariant;

// What the desktop asks of programs' colours: light or dark, and high contrast. Read from
// the desktop portal's settings where there is a portal, and followed as they change;
// where there is none, from what the desktop leaves behind: a GTK theme whose name ends in
// "-dark" (or its "prefer dark" setting), KDE's colour scheme in kdeglobals.
class DesktopAppearance : public QObject {
    Q_OBJECT

public:
    enum class Scheme { NoPreference = 0, Dark = 1, Light = 2 };

    explicit DesktopAppearance(QObject* parent = nullptr);

    Scheme scheme() const { return m_scheme; }
    bool highContrast() const { return m_highContrast; }

signals:
    void changed();

private slots:
    void settingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    bool readPortal();
    void readDesktopFiles();

    Scheme m_scheme = Scheme::NoPreference;
    bool m_highContrast = false;
};
