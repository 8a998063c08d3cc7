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

} // namespace MainWindowSettings
