#include "Application.h"
#include "ProgramStart.h"
#include "ShownProbe.h"
#include "Unit2.h"
#include "UnitMain.h"
#include "Version.h"

#include <QApplication>

[[gnu::used]] static const char versionInfo[] = VERITOME_VERSION_INFO;

int main(int argc, char* argv[])
{
    ProgramStart start(argc, argv);
    if (const std::optional<int> status = start.exitStatus())
        return *status;
    App::prepareProcess();
    QApplication application(start.argc(), start.argv());
    App::prepareApplication(application);
    QApplication::setApplicationName(App::title);
    QApplication::setApplicationVersion(QString::fromLatin1(Version::product));
    // The main window alone decides when the program ends, whatever else is open.
    QApplication::setQuitOnLastWindowClosed(false);

    TfrmMain frmMain(QCoreApplication::applicationDirPath());
    TfrmFloating frmFloating;
    QObject::connect(&frmMain, &TfrmMain::closed, &application, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    // Start-up timing for bench/startup; no effect otherwise.
    if (qEnvironmentVariableIsSet("VERITOME_REPORT_SHOWN"))
        ShownProbe::watch(&frmMain);
    frmMain.show();
    start.serve(frmMain);
    application.exec();
    return 0;
}
