#include "RequestRunner.h"

#include "Application.h"
#include "LookupAddress.h"
#include "UnitMain.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QTimer>

namespace RequestRunner {

namespace {
// A box the user is answering (a print dialog, a question) is left to finish first.
constexpr int modalRetryMs = 250;
} // namespace

QString selectedText()
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QClipboard::Mode mode =
        clipboard->supportsSelection() ? QClipboard::Selection : QClipboard::Clipboard;
    return Lookup::oneLineTerm(clipboard->text(mode).simplified());
}

void carryOut(TfrmMain& window, const LookupRequest& request)
{
    if (QWidget* modal = QApplication::activeModalWidget()) {
        App::bringToFront(*modal);
        QTimer::singleShot(modalRetryMs, &window, [&window, request] { carryOut(window, request); });
        return;
    }
    // A window not shown yet takes the request's mode over the stored one.
    window.readModeOnce();
    if (request.modeIndex >= 0 && request.modeIndex < window.CmbBoxType->count()
        && request.modeIndex != window.CmbBoxType->currentIndex()) {
        window.CmbBoxType->setCurrentIndex(request.modeIndex);
        App::guarded([&window] { window.CmbBoxTypeChange(window.CmbBoxType); });
    }
    const QString term =
        request.selection ? selectedText() : Lookup::oneLineTerm(request.term);
    if (request.popup) {
        App::guarded([&window, &term] { window.lookUpInPopup(term); });
        return;
    }
    // Nothing selected: the window only comes to the front.
    if (term.isEmpty())
        return;
    window.CmbBook->setEditText(term);
    App::guarded([&window] { window.CmbBookKeyPress(window.CmbBook, QChar(13)); });
}

void followPopupKey(TfrmMain& window)
{
    QObject::connect(&window, &TfrmMain::popupKeyPressed, &window, [&window] {
        LookupRequest request;
        request.selection = true;
        request.popup = true;
        carryOut(window, request);
    });
}
} // namespace RequestRunner
