#include "Application.h"

#include "Accessibility.h"
#include "DesktopPlatform.h"
#include "Error.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QOpenGLContext>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QTranslator>
#include <unistd.h>

namespace App {

namespace {
const QByteArray noUnsandboxedZygote = QByteArrayLiteral("--no-unsandboxed-zygote");
const QByteArray scriptEngineFlags = QByteArrayLiteral("--js-flags");
const QByteArray builtinsInPlace = QByteArrayLiteral("--js-flags=--no-short-builtin-calls");
} // namespace

void prepareProcess(EngineFootprint footprint)
{
    Desktop::choosePlatform();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    const bool lean = footprint == EngineFootprint::Lean;
    // Drawn through OpenGL, every web view keeps a graphics context and its buffers in the
    // program, on top of what the engine holds, for little more than copying finished
    // frames; a search shows text pages. Drawn by the processor, the same pages cost about
    // a quarter less memory (bench/search) and look the same.
    if (lean)
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    // Then nothing in the program draws through OpenGL, yet merely opening it on X loads
    // the system's GL driver and its shader compiler: about 35 MB held for nothing and
    // tens of milliseconds before the window shows. A choice of the user's stands.
    if (lean && qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    // The same on Wayland, where the engine's start opens OpenGL through the client buffer
    // integration: a name no integration answers to leaves every window to shared memory.
    // The toolkit says so in two lines on the console.
    if (lean && qEnvironmentVariableIsEmpty("QT_WAYLAND_CLIENT_BUFFER_INTEGRATION"))
        qputenv("QT_WAYLAND_CLIENT_BUFFER_INTEGRATION", "none");
    // Chromium refuses to start its sandbox for root; without this the program would
    // not start at all for that user.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");

    // Our flags go after those already set. The engine's process model stays as it comes:
    // every page in a renderer of its own, so that a page whose script runs long or never
    // ends holds up its own tab alone. One shared renderer would save about 20 MB a page.
    const QByteArray chosen = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    QByteArrayList flags;
    if (!chosen.isEmpty())
        flags.append(chosen);
    // The engine keeps a second, unsandboxed zygote waiting, about 8 MB, only to start
    // helper processes that this program needs seldom if ever; those then start directly.
    if (lean && !chosen.contains(noUnsandboxedZygote))
        flags.append(noUnsandboxedZygote);
    // The script engine copies its built-in functions, 1.4 MB, into every renderer, next to
    // the code it compiles, to make calls into them a little shorter. With a renderer for
    // each result page that is 7 MB for five pages; called where they lie, in the shared
    // library, they cost nothing. A script-engine setting of the user's stands: the engine
    // would take only the last one.
    if (lean && !chosen.contains(scriptEngineFlags))
        flags.append(builtinsInPlace);
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.join(' '));
}

namespace {

// The toolkit's own texts (dialogs, standard buttons) and the engine's menu entries; the
// engine's pages and error pages follow the default locale by themselves.
void installTranslations(QApplication& application)
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const QString& catalogue : {QStringLiteral("qtbase"), QStringLiteral("qtwebengine")}) {
        auto* translator = new QTranslator(&application);
        if (translator->load(language(), catalogue, QStringLiteral("_"), folder))
            QCoreApplication::installTranslator(translator);
        else
            delete translator;
    }
}

bool openGLWorks()
{
    // The toolkit has already tried to make the context all others share; making another
    // would cost tens of milliseconds of start-up for the same answer.
    if (const QOpenGLContext* shared = QOpenGLContext::globalShareContext())
        return shared->isValid();
    QOpenGLContext probe;
    return probe.create();
}

} // namespace

void prepareApplication(QApplication& application)
{
    // The engine takes its language from the default locale when it starts.
    QLocale::setDefault(language());
    installTranslations(application);
    Accessibility::install();
    // Without OpenGL (X forwarded over SSH, some VNC servers) a web view's window never
    // shows or crashes flushing it; Qt Quick's software renderer draws it fine there.
    if (QQuickWindow::graphicsApi() != QSGRendererInterface::Software && !openGLWorks())
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

QString errorBoxText(const QString& text)
{
    if (!text.isEmpty() && text.back() > QLatin1Char('.'))
        return text + QLatin1Char('.');
    return text;
}

void showErrorBox(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, title, errorBoxText(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

void showCurrentException()
{
    try {
        throw;
    } catch (const Error& error) {
        showErrorBox(error.text());
    } catch (const std::exception& error) {
        showErrorBox(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        showErrorBox(QStringLiteral("Unknown error"));
    }
}

void showInformation(QWidget* owner, const QString& text)
{
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, owner);
    box.exec();
}

bool confirm(QWidget* owner, const QString& text)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                    owner);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

void bringToFront(QWidget& window)
{
    if (window.isMinimized())
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace App
