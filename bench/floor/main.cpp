// The floor for the start-up benchmark: the least a Qt WebEngine program must do before
// its window shows, one empty web view in a window, timed by the same probe as Veritome.
#include "ShownProbe.h"

#include <QApplication>
#include <QVBoxLayout>
#include <QWebEngineView>
#include <QWidget>
#include <unistd.h>

int main(int argc, char* argv[])
{
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QWidget window;
    window.resize(729, 528);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QWebEngineView(&window));
    if (qEnvironmentVariableIsSet("VERITOME_REPORT_SHOWN"))
        ShownProbe::watch(&window);
    window.show();
    return application.exec();
}
