// The floors for the start-up benchmark, timed by the same probe as Veritome:
//   floor            one empty web view in a window: the least a Qt WebEngine program does
//                    before its window shows;
//   floor --no-view  the same program without the view: the engine's libraries are loaded,
//                    the engine is not started;
//   floor_widgets    a bare Qt Widgets window of the same size, no engine libraries at all.
#include "ShownProbe.h"

#include <QApplication>
#include <QVBoxLayout>
#include <QWidget>
#include <cstring>
#include <unistd.h>

#ifdef FLOOR_WITH_ENGINE
#include <QWebEngineView>
#endif

int main(int argc, char* argv[])
{
#ifdef FLOOR_WITH_ENGINE
    const bool withView = !(argc > 1 && std::strcmp(argv[1], "--no-view") == 0);
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
#endif
    QApplication application(argc, argv);
    QWidget window;
    window.resize(729, 528);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
#ifdef FLOOR_WITH_ENGINE
    if (withView)
        layout->addWidget(new QWebEngineView(&window));
#endif
    if (qEnvironmentVariableIsSet("VERITOME_REPORT_SHOWN"))
        ShownProbe::watch(&window);
    window.show();
    return application.exec();
}
