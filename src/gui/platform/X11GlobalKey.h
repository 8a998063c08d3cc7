#pragma once

#include <memory>

class GlobalKeyBackend;

// The key grabbed on the X server's root windows; nothing in a build without xcb.
std::unique_ptr<GlobalKeyBackend> makeX11GlobalKey();
