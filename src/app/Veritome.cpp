#include "ProgramStart.h"
#include "Version.h"

[[gnu::used]] static const char versionInfo[] = VERITOME_VERSION_INFO;

int main(int argc, char* argv[])
{
    ProgramStart start(argc, argv);
    if (const std::optional<int> status = start.exitStatus())
        return *status;
    return start.runWindow();
}
