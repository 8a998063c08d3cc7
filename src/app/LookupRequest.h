#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// What one start of the program asks the window to do: pick a mode, look up a term or the
// selected text, or only come to the front. The same request is carried out by the window
// this start opens or, handed over, by the window already running.
struct LookupRequest {
    int modeIndex = -1; // index in the mode box; -1 keeps the mode as it is
    QString term;       // looked up as typed into the query box; empty for none
    bool selection = false; // look up the text selected on the desktop instead
    bool popup = false;     // show the results in the popup beside the pointer
    bool background = false; // only start, waiting without a window

    bool operator==(const LookupRequest& other) const
    {
        return modeIndex == other.modeIndex && term == other.term
               && selection == other.selection && popup == other.popup
               && background == other.background;
    }

    // The request as it travels between two starts, and back; nullopt for bytes that are
    // not a request.
    QByteArray toBytes() const;
    static std::optional<LookupRequest> fromBytes(const QByteArray& bytes);
};
