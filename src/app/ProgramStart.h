#pragma once

#include "CommandLine.h"
#include "InstanceChannel.h"

#include <QByteArrayList>
#include <optional>
#include <vector>

// What a start of the program does before any window: reads the command line, hands the
// request to the window already running if there is one, and otherwise loads the window
// part and runs it.
class ProgramStart {
public:
    ProgramStart(int argc, char** argv);
    ~ProgramStart();
    ProgramStart(const ProgramStart&) = delete;
    ProgramStart& operator=(const ProgramStart&) = delete;

    // The exit status where this start is done before any window: help or version shown,
    // a bad command line, or the request handed over.
    std::optional<int> exitStatus() const { return m_exitStatus; }

    // The first start: the window, until it closes; the program's exit status.
    int runWindow();

private:
    CommandLine m_line;
    InstanceChannel m_channel;
    std::optional<int> m_exitStatus;
    QByteArrayList m_arguments;
    std::vector<char*> m_argv;
    int m_argc = 0;
};
