#pragma once

class QWebEngineProfile;

namespace WebProfile {

// The engine's profile the web views' pages share, set up the first time it is asked for.
// Asking starts the engine, so only a view that is about to load a page asks.
QWebEngineProfile* shared();

// A profile of its own, set up as the shared one, for a page that stays while the others
// come and go: the engine never lets pages of two profiles share a renderer, so the
// others' renderer can end when the last of them closes. The caller owns it and must
// delete it after its pages.
QWebEngineProfile* createSeparate();

} // namespace WebProfile
