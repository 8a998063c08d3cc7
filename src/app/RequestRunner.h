#pragma once

#include "LookupRequest.h"

class TfrmMain;

// Carries out a start's request in the main window, through the window's own handlers:
// the mode as if picked in the mode box, the term as if typed into the query box and
// entered.
namespace RequestRunner {

// The selected text for --selection: the X primary selection where the desktop has one,
// else the clipboard; blanks and line breaks made single spaces.
QString selectedText();

void carryOut(TfrmMain& window, const LookupRequest& request);

// From now on the window's popup key looks the selected text up in the popup.
void followPopupKey(TfrmMain& window);

} // namespace RequestRunner
