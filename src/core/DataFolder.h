#pragma once

#include <QString>

// Where the settings file and the history file live. Beside the executable when the user
// may create files in its folder (a build folder, an install for one user, a portable
// copy): nothing else is looked at. Otherwise (an install for every user of the machine)
// in the user's own configuration folder, so that each user keeps their own.
namespace DataFolder {

// $XDG_CONFIG_HOME/veritome, or home/.config/veritome when xdgConfigHome is empty or not
// an absolute path.
QString userFolder(const QString& xdgConfigHome, const QString& home);

// The folder that holds the two files of a program in programFolder. When that is
// userFolder and userFolder does not exist yet, it is created (for its user alone) and
// given copies of the two files found in programFolder, which are read and never written.
// A userFolder that cannot be created is still the answer: nothing is read from it and
// every save to it fails, so the program runs on its defaults and no file is touched.
QString prepare(const QString& programFolder, const QString& userFolder);

// prepare() for this process: its executable's folder and its user's environment.
QString forThisProcess();

} // namespace DataFolder
