#pragma once

#include <QByteArray>
#include <QString>

// The user's entry in the desktop's autostart folder that starts the program at login,
// waiting in the background.
namespace Autostart {

// $XDG_CONFIG_HOME/autostart/veritome.desktop
QString entryPath();
bool isOn();
// Writes the entry starting program with --background, or removes it. Throws Error when
// the entry cannot be written or removed.
void setOn(bool on, const QString& program);

// The entry's text for the program at that path.
QByteArray entry(const QString& program);

} // namespace Autostart
