#include "Application.h"
#include "DataFolder.h"
#include "InstanceServer.h"
#include "RequestRunner.h"
#include "ShownProbe.h"
#include "Unit2.h"
#include "UnitMain.h"
#include "Version.h"
#include "WindowStart.h"

#include <QApplication>
#include <QTimer>

namespace {

// The start's own request, then those of later starts, until the window closes.
void serve(TfrmMain& window, WindowStart& start)
{
    auto* server = new InstanceServer(start.listener, &window);
    QObject::connect(server, &InstanceServer::requested, &window,
                     [&window](const LookupRequest& request) {
                         // A start asking for the popup, or to wait, leaves the window as it is.
                         if (request.background)
                             return;
                         if (!request.popup)
                             App::bringToFront(window);
                         RequestRunner::carryOut(window, request);
                     });
    RequestRunner::followPopupKey(window);
    QObject::connect(server, &InstanceServer::takenOver, &window, &TfrmMain::newerWindowTookOver);
    // The files are written as the window closes; a start after that runs on its own.
    QObject::connect(&window, &TfrmMain::closed, server, &InstanceServer::close);
    // Once the event loop runs, as a typed term would come; from then on later starts
    // find the window answering.
    QTimer::singleShot(0, &window, [&window, &start] {
        start.ready();
        if (!start.request.background)
            RequestRunner::carryOut(window, start.request);
    });
}

} // namespace

extern "C" [[gnu::visibility("default")]] int veritomeWindowMain(WindowStart& start)
{
    App::prepareProcess();
    QApplication application(*start.argc, start.argv);
    App::prepareApplication(application);
    QApplication::setApplicationName(App::title);
    QApplication::setApplicationVersion(QString::fromLatin1(Version::product));
    // The main window alone decides when the program ends, whatever else is open.
    QApplication::setQuitOnLastWindowClosed(false);

    TfrmMain frmMain(DataFolder::forThisProcess());
    TfrmFloating frmFloating;
    QObject::connect(&frmMain, &TfrmMain::closed, &application, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    // Start-up timing for bench/startup; no effect otherwise.
    if (qEnvironmentVariableIsSet("VERITOME_REPORT_SHOWN"))
        ShownProbe::watch(&frmMain);
    // A start for the popup, or to wait, shows no window: the program waits where it
    // stays ready, and otherwise ends with the popup.
    if (start.request.background)
        frmMain.waitInBackground();
    else if (start.request.popup)
        frmMain.startHidden();
    else
        frmMain.show();
    serve(frmMain, start);
    application.exec();
    return 0;
}
