#include "X11GlobalKey.h"

#include "GlobalKey.h"

std::unique_ptr<GlobalKeyBackend> makeX11GlobalKey()
{
    return nullptr;
}
