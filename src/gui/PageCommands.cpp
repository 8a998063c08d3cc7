#include "PageCommands.h"

#include "Application.h"
#include "Error.h"

#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPaintEngine>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QStandardPaths>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {

// The engine prints to a real printer by drawing each page as an image. 300 dpi keeps
// text sharp on paper at a sixteenth of the pixels of a 1200 dpi device.
constexpr int paperResolution = 300;
// The preview is an image as well; this is enough to read it zoomed in.
constexpr int previewResolution = 150;
constexpr qreal defaultMargin = 10; // millimetres

struct SaveFormat {
    QString filter;
    QString suffix;
    QWebEngineDownloadRequest::SavePageFormat format;
};

const QList<SaveFormat>& saveFormats()
{
    static const QList<SaveFormat> formats = {
        {QStringLiteral("Web 档案，单一文件 (*.mht *.mhtml)"), QStringLiteral("mht"),
         QWebEngineDownloadRequest::MimeHtmlSaveFormat},
        {QStringLiteral("网页，全部 (*.htm *.html)"), QStringLiteral("html"),
         QWebEngineDownloadRequest::CompleteHtmlSaveFormat},
        {QStringLiteral("网页，仅 HTML (*.htm *.html)"), QStringLiteral("html"),
         QWebEngineDownloadRequest::SingleHtmlSaveFormat},
    };
    return formats;
}

const SaveFormat& saveFormatFor(const QString& filter)
{
    for (const SaveFormat& format : saveFormats())
        if (format.filter == filter)
            return format;
    return saveFormats().first();
}

// A preview draws on a picture engine; any other device is the real print the user asked
// for from the preview window.
bool isPreview(QPrinter* printer)
{
    return printer->paintEngine() && printer->paintEngine()->type() == QPaintEngine::Picture;
}

} // namespace

// ---------------------------------------------------------------- PageDialogs

PageDialogs::PageDialogs(QObject* parent) : QObject(parent) {}

PageDialogs* PageDialogs::of(const QWidget* widget)
{
    return widget->window()->findChild<PageDialogs*>(QString(), Qt::FindDirectChildrenOnly);
}

void PageDialogs::applyPageLayout(QPrinter& printer) const
{
    if (m_pageLayout) {
        printer.setPageLayout(*m_pageLayout);
        return;
    }
    // The printer's paper and orientation, with margins like a browser's rather than the
    // printer's 3.5 mm that put the text right at the edge of the paper.
    QPageLayout layout = printer.pageLayout();
    layout.setUnits(QPageLayout::Millimeter);
    layout.setMargins(QMarginsF(defaultMargin, defaultMargin, defaultMargin, defaultMargin));
    printer.setPageLayout(layout);
}

QString PageDialogs::saveFolder() const
{
    if (!m_saveFolder.isEmpty())
        return m_saveFolder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

int PageDialogs::run(QDialog& dialog) const
{
    return m_runner ? m_runner(dialog) : dialog.exec();
}

// ---------------------------------------------------------------- PageCommands

PageCommands::PageCommands(QWebEngineView* view) : QObject(view), m_view(view) {}

PageCommands::~PageCommands() = default;

QStringList PageCommands::saveFilters()
{
    QStringList filters;
    for (const SaveFormat& format : saveFormats())
        filters.append(format.filter);
    return filters;
}

PageDialogs& PageCommands::dialogs()
{
    if (PageDialogs* shared = PageDialogs::of(m_view))
        return *shared;
    if (!m_ownDialogs)
        m_ownDialogs = new PageDialogs(this);
    return *m_ownDialogs;
}

QWidget* PageCommands::dialogOwner() const { return m_view->window(); }

QString PageCommands::suggestedName() const
{
    QString name = m_view->page()->title().simplified();
    if (name.isEmpty())
        name = m_view->page()->url().host();
    // Characters that cannot stand in a file name on any common file system.
    name.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]")),
                 QStringLiteral("_"));
    name = name.left(100).trimmed();
    return name.isEmpty() ? QStringLiteral("网页") : name;
}

void PageCommands::preparePrinter(QPrinter& printer)
{
    dialogs().applyPageLayout(printer);
    printer.setDocName(m_view->page()->title());
    if (printer.outputFormat() == QPrinter::PdfFormat)
        printer.setOutputFileName(
            QDir(dialogs().saveFolder()).filePath(suggestedName() + QStringLiteral(".pdf")));
}

void PageCommands::setPrinting(bool printing)
{
    if (m_printing == printing)
        return;
    m_printing = printing;
    emit printingChanged();
}

// The engine's signals come from deep inside it, also while the page is being destroyed
// (which cancels what is still running): the box waits for the event loop, and is dropped
// when this view is gone by then.
void PageCommands::reportLater(const QString& text)
{
    QMetaObject::invokeMethod(
        this, [text] { App::showErrorBox(text); }, Qt::QueuedConnection);
}

void PageCommands::save()
{
    QFileDialog dialog(dialogOwner(), QStringLiteral("保存网页"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(saveFilters());
    dialog.selectNameFilter(saveFormats().first().filter);
    dialog.setDefaultSuffix(saveFormats().first().suffix);
    dialog.setDirectory(dialogs().saveFolder());
    dialog.selectFile(suggestedName() + QLatin1Char('.') + saveFormats().first().suffix);
    // The dialog itself gives a typed name the suffix of a newly chosen type.
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        dialog.setDefaultSuffix(saveFormatFor(filter).suffix);
    });
    if (dialogs().run(dialog) != QDialog::Accepted)
        return;
    const QString path = dialog.selectedFiles().value(0);
    if (path.isEmpty())
        return;
    dialogs().setSaveFolder(QFileInfo(path).absolutePath());

    // The engine writes the file as a download of its own; a failure shows up only there.
    QWebEnginePage* page = m_view->page();
    disconnect(m_saveWatch);
    m_saveWatch = connect(
        page->profile(), &QWebEngineProfile::downloadRequested, this,
        [this, page, path](QWebEngineDownloadRequest* download) {
            if (download->page() != page || !download->isSavePageDownload())
                return;
            disconnect(m_saveWatch);
            // Nobody can cancel this download but the engine, when it cannot write the
            // file. (The engine's reason text is not asked for: for some reasons it crashes.)
            auto report = [this, download, path] {
                const auto state = download->state();
                if (state == QWebEngineDownloadRequest::DownloadInterrupted
                    || state == QWebEngineDownloadRequest::DownloadCancelled)
                    reportLater(QStringLiteral("无法保存网页到 %1")
                                    .arg(QDir::toNativeSeparators(path)));
            };
            connect(download, &QWebEngineDownloadRequest::stateChanged, this, report);
            report();
        });
    page->save(path, saveFormatFor(dialog.selectedNameFilter()).format);
}

void PageCommands::pageSetup()
{
    QPrinter printer(QPrinter::HighResolution);
    dialogs().applyPageLayout(printer);
    QPageSetupDialog dialog(&printer, dialogOwner());
    dialog.setWindowTitle(QStringLiteral("页面设置"));
    if (dialogs().run(dialog) == QDialog::Accepted)
        dialogs().setPageLayout(printer.pageLayout());
}

void PageCommands::preview()
{
    QPrinter printer(QPrinter::HighResolution);
    preparePrinter(printer);
    printer.setResolution(previewResolution);
    QPrintPreviewDialog dialog(&printer, dialogOwner());
    dialog.setWindowTitle(QStringLiteral("打印预览"));
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* target) { App::guarded([&] { paint(target); }); });
    dialogs().run(dialog);
}

void PageCommands::print()
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    preparePrinter(*printer);
    QPrintDialog dialog(printer.get(), dialogOwner());
    dialog.setWindowTitle(QStringLiteral("打印"));
    if (dialogs().run(dialog) != QDialog::Accepted)
        return;
    if (printer->outputFormat() == QPrinter::PdfFormat) {
        startPdf(printer->outputFileName(), printer->pageLayout(), printer->pageRanges());
        return;
    }
    printer->setResolution(paperResolution);
    m_printer = std::move(printer);
    setPrinting(true);
    connect(
        m_view, &QWebEngineView::printFinished, this,
        [this](bool ok) {
            m_printer.reset();
            setPrinting(false);
            if (!ok)
                reportLater(QStringLiteral("无法打印网页"));
        },
        Qt::SingleShotConnection);
    m_view->print(m_printer.get());
}

// A PDF file gets the engine's own PDF: text and fonts, not one image per page.
void PageCommands::startPdf(const QString& path, const QPageLayout& layout,
                            const QPageRanges& ranges)
{
    if (path.isEmpty() || QFileInfo(path).isDir())
        throw Error(QStringLiteral("无法打印到文件：请给出文件名"));
    setPrinting(true);
    connect(
        m_view->page(), &QWebEnginePage::pdfPrintingFinished, this,
        [this, path](const QString&, bool ok) {
            setPrinting(false);
            if (!ok)
                reportLater(
                    QStringLiteral("无法打印到文件 %1").arg(QDir::toNativeSeparators(path)));
        },
        Qt::SingleShotConnection);
    m_view->page()->printToPdf(path, layout, ranges);
}

// Draws the page for the preview window, and prints it when asked to from there. The
// preview wants its pages before this returns, so it waits for the engine here.
void PageCommands::paint(QPrinter* printer)
{
    if (m_painting || m_printing)
        return;
    // The preview window is modal, so the view outlives this wait.
    const QScopedValueRollback painting(m_painting, true);
    QEventLoop loop;
    if (!isPreview(printer) && printer->outputFormat() == QPrinter::PdfFormat) {
        connect(this, &PageCommands::printingChanged, &loop, &QEventLoop::quit);
        startPdf(printer->outputFileName(), printer->pageLayout(), printer->pageRanges());
        if (m_printing)
            loop.exec();
        return;
    }
    if (!isPreview(printer))
        printer->setResolution(paperResolution);
    bool finished = false;
    bool ok = false;
    connect(m_view, &QWebEngineView::printFinished, &loop, [&](bool success) {
        finished = true;
        ok = success;
        loop.quit();
    });
    m_view->print(printer);
    if (!finished)
        loop.exec();
    if (!ok)
        throw Error(QStringLiteral("无法打印网页"));
}
