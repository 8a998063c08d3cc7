#pragma once

#include "CommandLine.h"
#include "InstanceChannel.h"

#include <QByteArrayList>
#include <optional>
#include <vector>

class TfrmMain;

// What a start of the program does before and after its window exists: reads the command
// line, hands the request to the window already running if there is one, and otherwise
// carries it out in its own window and takes the requests of later starts.
class ProgramStart {
public:
    ProgramStart(int argc, char** argv);
    ~ProgramStart();
    ProgramStart(const ProgramStart&) = delete;
    ProgramStart& operator=(const ProgramStart&) = delete;

    // The exit status where this start is done before any window: help or version shown,
    // a bad command line, or the request handed over.
    std::optional<int> exitStatus() const { return m_exitStatus; }

    // The program's name and Qt's own options, for the application object.
    int& argc() { return m_argc; }
    char** argv() { return m_argv.data(); }

    // Once the window shows: its request, then those of later starts, until it closes.
    void serve(TfrmMain& window);

private:
    CommandLine m_line;
    InstanceChannel m_channel;
    std::optional<int> m_exitStatus;
    QByteArrayList m_arguments;
    std::vector<char*> m_argv;
    int m_argc = 0;
};
