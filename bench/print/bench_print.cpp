// Prints a 100 KB text page to a PDF file the way the print command does (the engine's
// own PDF) and, as the reference, the way QWebEngineView::print does (one image per page),
// and shows the preview's cost; the figures come out side by side.

#include "Application.h"
#include "LoopbackServer.h"
#include "PageSettings.h"
#include "WebBrowser.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineView>
#include <cstdio>

namespace {

const QString marker = QStringLiteral("VeritomePrintBench");

QByteArray textPage()
{
    QByteArray body;
    for (int i = 0; body.size() < 100 * 1024; ++i)
        body += "<p>" + QByteArray::number(i)
                + " 百科全书、成语词典和英汉汉英词典的查询结果，一段普通的文字。"
                  "A line of ordinary English text follows the Chinese one.</p>\n";
    return "<html><head><meta charset=utf-8><title>print bench</title></head><body><p>"
           + marker.toUtf8() + "</p>" + body + "</body></html>";
}

struct Figures {
    QString way;
    double seconds = -1;
    qint64 bytes = 0;
    int pages = 0;
    QString text = QStringLiteral("-");
};

QString run(const QString& tool, const QStringList& arguments)
{
    if (QStandardPaths::findExecutable(tool).isEmpty())
        return QString();
    QProcess process;
    process.start(tool, arguments);
    process.waitForFinished(120000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

void describePdf(Figures& figures, const QString& path)
{
    figures.bytes = QFileInfo(path).size();
    const QRegularExpressionMatch pages =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(run("pdfinfo", {path}));
    figures.pages = pages.hasMatch() ? pages.captured(1).toInt() : 0;
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        figures.text = QStringLiteral("(no pdftotext)");
    else
        figures.text = run("pdftotext", {"-enc", "UTF-8", path, "-"}).contains(marker)
                           ? QStringLiteral("yes")
                           : QStringLiteral("no");
}

QString size(qint64 bytes)
{
    if (bytes >= 1024 * 1024)
        return QString::number(bytes / (1024.0 * 1024.0), 'f', 1) + QStringLiteral(" MB");
    return QString::number(bytes / 1024.0, 'f', 0) + QStringLiteral(" KB");
}

bool load(QWebEngineView& view, const QString& url)
{
    QSignalSpy loaded(&view, &QWebEngineView::loadFinished);
    view.load(QUrl(url));
    return loaded.wait(60000) && loaded.first().first().toBool();
}

// The program's print command, past its dialog, to a PDF file.
Figures printCommand(TWebBrowser& browser, PageSettings& dialogs, const QString& path)
{
    dialogs.setRunner([path](QDialog& dialog) {
        static_cast<QPrintDialog&>(dialog).printer()->setOutputFileName(path);
        return int(QDialog::Accepted);
    });
    Figures figures{QStringLiteral("print command (engine's PDF)")};
    QElapsedTimer timer;
    timer.start();
    browser.ExecWB(OleCmd::Print);
    if (QTest::qWaitFor([&] { return browser.QueryStatusWB(OleCmd::Print) == 3; }, 120000))
        figures.seconds = timer.elapsed() / 1000.0;
    describePdf(figures, path);
    return figures;
}

// The reference: the engine draws every page as an image on a PDF printer.
Figures rasterPrint(QWebEngineView& view, QPrinter::PrinterMode mode, const QString& way,
                    const QString& path)
{
    QPrinter printer(mode);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    Figures figures{way + QStringLiteral(", ") + QString::number(printer.resolution())
                    + QStringLiteral(" dpi")};
    QSignalSpy finished(&view, &QWebEngineView::printFinished);
    QElapsedTimer timer;
    timer.start();
    view.print(&printer);
    if (finished.wait(600000) && finished.first().first().toBool())
        figures.seconds = timer.elapsed() / 1000.0;
    describePdf(figures, path);
    return figures;
}

Figures previewCommand(TWebBrowser& browser, PageSettings& dialogs)
{
    Figures figures{QStringLiteral("preview command (page images)")};
    dialogs.setRunner([&](QDialog& dialog) {
        QElapsedTimer timer;
        timer.start();
        dialog.show();
        figures.seconds = timer.elapsed() / 1000.0;
        figures.pages = dialog.findChild<QPrintPreviewWidget*>()->pageCount();
        dialog.hide();
        return int(QDialog::Rejected);
    });
    browser.ExecWB(OleCmd::PrintPreview);
    return figures;
}

void show(const Figures& figures)
{
    std::printf("%-40s %9s %10s %6d   %s\n", qPrintable(figures.way),
                figures.seconds < 0 ? "failed"
                                    : qPrintable(QString::number(figures.seconds, 'f', 2) + " s"),
                figures.bytes ? qPrintable(size(figures.bytes)) : "-", figures.pages,
                qPrintable(figures.text));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    const int port = LoopbackServer::reservePort();
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
            QByteArray("--host-resolver-rules=\"MAP * 127.0.0.1:") + QByteArray::number(port)
                + "\"");
    App::prepareProcess();
    QApplication app(argc, argv);
    App::prepareApplication(app);
    LoopbackServer server;
    if (!server.start())
        return 1;
    const QByteArray page = textPage();
    server.setHandler(
        [page](const LoopbackServer::Request&) { return LoopbackServer::page(page); });
    QTemporaryDir folder;
    const QString url = QStringLiteral("http://print.test/page");

    QWidget window;
    auto* browser = new TWebBrowser(&window);
    PageSettings* dialogs = &browser->pageSettings();
    browser->resize(800, 600);
    window.resize(800, 600);
    window.show();
    QSignalSpy loaded(browser, &TWebBrowser::DocumentComplete);
    browser->Navigate(url);
    if (!loaded.wait(60000)
        || !QTest::qWaitFor([&] { return browser->QueryStatusWB(OleCmd::Print) == 3; }, 60000))
        return 1;
    QWebEngineView reference;
    reference.resize(800, 600);
    reference.show();
    if (!load(reference, url))
        return 1;

    std::printf("A %lld KB text page printed to a PDF file (%s platform)\n",
                static_cast<long long>(page.size() / 1024),
                qPrintable(QGuiApplication::platformName()));
    std::printf("%-40s %9s %10s %6s   %s\n", "", "time", "file", "pages", "text in the PDF");
    show(printCommand(*browser, *dialogs, folder.filePath(QStringLiteral("command.pdf"))));
    show(rasterPrint(reference, QPrinter::ScreenResolution, QStringLiteral("reference: view print"),
                     folder.filePath(QStringLiteral("screen.pdf"))));
    show(rasterPrint(reference, QPrinter::HighResolution, QStringLiteral("reference: view print"),
                     folder.filePath(QStringLiteral("high.pdf"))));
    show(previewCommand(*browser, *dialogs));
    return 0;
}
