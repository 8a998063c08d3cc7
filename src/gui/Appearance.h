#pragma once

#include "MainWindowSettings.h"
#include "Palette.h"

#include <QObject>
#include <QPalette>

class DesktopAppearance;

// The window's colours as the user chose them: as the desktop asks, light or dark, and
// high contrast wherever the desktop asks for it. The palette goes to the whole program at
// once; the result pages learn of dark from the engine, which takes it only as it starts.
class Appearance : public QObject {
    Q_OBJECT

public:
    using Choice = MainWindowSettings::ColourChoice;

    Appearance(Choice choice, bool darkPages, QObject* parent = nullptr);
    // The toolkit's own colours come back with the window that chose others.
    ~Appearance() override;

    Choice choice() const { return m_choice; }
    void setChoice(Choice choice);
    bool darkPages() const { return m_darkPages; }
    void setDarkPages(bool dark);

    Palette::Look look() const;

    // The engine's pages are told dark (and made dark, where the user asked for that) when
    // this runs before the engine starts; afterwards it changes nothing.
    void prepareEngine();
    // What the pages were told as the engine started differs from what is chosen now.
    bool pagesWaitForRestart() const;
    // The engine darkens pages that have no dark style of their own (it read so as it
    // started, from what prepareEngine left for it).
    static bool enginePagesDarkened();

signals:
    void lookChanged(Palette::Look look);

private:
    void apply();

    Choice m_choice;
    bool m_darkPages;
    DesktopAppearance* m_desktop;
    QPalette m_lightPalette;
    Palette::Look m_applied;
    // What the engine was told as it started: dark pages, and pages made dark.
    bool m_engineDark = false;
    bool m_engineDarkPages = false;
};
