#pragma once

#include "LookupRequest.h"

#include <functional>

// What the first start hands to the program's window part, which it loads only then: a
// start that hands its request over never loads the window, the web engine or their
// libraries.
struct WindowStart {
    int* argc;  // the program's name and Qt's own options, for the application object
    char** argv;
    int listener; // the socket later starts connect to; the window part owns it; -1 for none
    LookupRequest request;
    std::function<void()> ready; // to be called once the window takes requests

    // The window part: a library beside the program, and its entry.
    static constexpr char library[] = "libveritome_window.so";
    static constexpr char entry[] = "veritomeWindowMain";
    using Entry = int (*)(WindowStart& start);
};
