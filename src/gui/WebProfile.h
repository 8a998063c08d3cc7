#pragma once

class QWebEngineProfile;

namespace WebProfile {

// The engine's profile every web view's page uses, set up the first time it is asked for.
// Asking starts the engine, so only a view that is about to load a page asks.
QWebEngineProfile* shared();

} // namespace WebProfile
