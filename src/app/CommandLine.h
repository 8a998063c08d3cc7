#pragma once

#include "LookupRequest.h"

#include <QString>
#include <QStringList>

// The program's command line:
//   Veritome [--popup] [--mode MODE] [TERM... | --selection]   Veritome --background
//   Veritome --help | --version
// Qt's own options (-platform, -display, --webEngineArgs and the rest) pass through to Qt.
struct CommandLine {
    enum class Outcome { Run, Help, Version, Error };

    Outcome outcome = Outcome::Run;
    LookupRequest request;
    QString display;       // the -display option's value; empty for none
    QStringList qtArguments; // the program's name and Qt's options, for the application
    QString error;         // for Outcome::Error: what is wrong, in Chinese

    // arguments as the process got them, the program's name first.
    static CommandLine parse(const QStringList& arguments);

    static QString helpText();
    static QString versionText();
};
