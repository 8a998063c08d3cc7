#pragma once

#include <QByteArray>
#include <QMargins>
#include <QSize>
#include <QString>

class ProfileFile;

// What the main window keeps in its settings file: its outer size and the chosen mode.
// The keys are read and written with the spellings the file has always had.
namespace MainWindowSettings {

// The settings file (its stem is not the history file's).
inline const QString fileName = QStringLiteral("Veritoem.ini");
inline const QByteArray formSection = "Form";
inline const QByteArray dictionarySection = "Dictionary";
constexpr QSize designedSize(729, 528);

// A stored width below 10 or past the screen gives the screen's width; a stored height
// below 10 or more than 10 past the screen gives the screen's height.
QSize withinScreen(QSize stored, QSize screen);
// The stored outer size (the designed size when none is stored), within the screen.
QSize readOuterSize(const ProfileFile& file, QSize screen);

// The window's own size for an outer size: a window never opens smaller than what shows
// all its controls.
QSize clientSize(QSize outer, QMargins frame, QSize minimum);

// The index of the stored mode among modeCount modes, or -1 (no mode) when it is none of
// them. Without a stored mode, the first.
int readModeIndex(const ProfileFile& file, int modeCount);

// Throws Error when the file cannot be written; what follows a failed write is not tried.
void write(ProfileFile& file, QSize outer, int modeIndex);

// The result pages' zoom, in per cent, in a section of the program's own beside the two
// above, which keep their keys and meaning.
inline const QByteArray programSection = "Veritome";
constexpr int defaultZoom = 100;
constexpr int minimumZoom = 25;
constexpr int maximumZoom = 500;
// The stored zoom; the default when none is stored or it lies outside what pages can take.
int readZoom(const ProfileFile& file);
// Throws Error when the file cannot be written.
void writeZoom(ProfileFile& file, int percent);

// The window's colours: as the desktop asks (0, the default), light (1) or dark (2); and
// whether the result pages are made dark too. Beside the zoom, in the program's section.
enum class ColourChoice { FollowDesktop = 0, Light = 1, Dark = 2 };
ColourChoice readColourChoice(const ProfileFile& file);
bool readDarkPages(const ProfileFile& file);
// Throws Error when the file cannot be written.
void writeColours(ProfileFile& file, ColourChoice choice, bool darkPages);

// The look-up popup: its size and whether it is pinned; the key that opens it from any
// program; and whether closing the window leaves the program waiting in the background.
struct PopupChoices {
    static constexpr QSize defaultSize{520, 380};
    static constexpr QSize minimumSize{260, 180};
    // Taken by no desktop or common program on the desktops we know.
    static inline const QString defaultKey = QStringLiteral("Ctrl+Alt+Shift+Y");

    QSize size = defaultSize;
    bool pinned = false;
    QString key = defaultKey; // as the key's portable text; empty for none
    bool stayReady = false;

    bool operator==(const PopupChoices& other) const
    {
        return size == other.size && pinned == other.pinned && key == other.key
               && stayReady == other.stayReady;
    }
};
// A size below the minimum, or a key that is no text, gives the default.
PopupChoices readPopupChoices(const ProfileFile& file);
// Throws Error when the file cannot be written.
void writePopupChoices(ProfileFile& file, const PopupChoices& choices);

} // namespace MainWindowSettings
