#include "PageCommands.h"

#include "Application.h"
#include "Error.h"
#include "PageSettings.h"
#include "PrintQueue.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPaintEngine>
#include <QPainter>
#include <QPdfDocument>
#include <QPointer>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QTimer>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {

// The preview shows each page as an image; this is enough to read it zoomed in.
constexpr int previewResolution = 150;

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

// The engine stops the whole program when a page goes while it is making a document of
// it. So the page is this object's child, and a job's page outlives its view: it goes
// when the engine is done with it, and the program does not quit before that.
struct PageCommands::EngineJob {
    QPointer<PageCommands> owner;
    QPointer<QWebEnginePage> page;
    bool done = false;
    QEventLoop* quitting = nullptr; // the wait at quitting time, while it runs
    QMetaObject::Connection quitWatch;
};

PageCommands::PageCommands(QWebEngineView* view, std::shared_ptr<PageSettings> settings)
    : QObject(view), m_view(view), m_settings(std::move(settings))
{
    if (view->page()->parent() == view)
        view->page()->setParent(this);
}

PageCommands::~PageCommands()
{
    if (m_job && !m_job->done && m_job->page) {
        m_job->page->setParent(nullptr);
        m_job->owner = nullptr;
    }
}

std::shared_ptr<PageCommands::EngineJob> PageCommands::beginEngineJob()
{
    auto job = std::make_shared<EngineJob>();
    job->owner = this;
    job->page = m_view->page();
    m_job = job;
    job->quitWatch = connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit,
                             job->page, [job] {
        if (job->done)
            return;
        // The engine takes well under a second for a long page; a job that hangs does not
        // keep the program from ending for longer than this.
        constexpr int patience = 30000;
        QEventLoop loop;
        job->quitting = &loop;
        QTimer::singleShot(patience, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        job->quitting = nullptr;
    });
    setPrinting(true);
    return job;
}

void PageCommands::endEngineJob(const std::shared_ptr<EngineJob>& job)
{
    job->done = true;
    disconnect(job->quitWatch);
    if (job->quitting)
        job->quitting->quit();
    if (job->owner)
        job->owner->setPrinting(false);
    else if (job->page)
        job->page->deleteLater();
}

QStringList PageCommands::saveFilters()
{
    QStringList filters;
    for (const SaveFormat& format : saveFormats())
        filters.append(format.filter);
    return filters;
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
    m_settings->applyPageLayout(printer);
    printer.setDocName(m_view->page()->title());
    if (printer.outputFormat() == QPrinter::PdfFormat)
        printer.setOutputFileName(
            QDir(m_settings->saveFolder()).filePath(suggestedName() + QStringLiteral(".pdf")));
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
    dialog.setDirectory(m_settings->saveFolder());
    dialog.selectFile(suggestedName() + QLatin1Char('.') + saveFormats().first().suffix);
    // The dialog itself gives a typed name the suffix of a newly chosen type.
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        dialog.setDefaultSuffix(saveFormatFor(filter).suffix);
    });
    if (m_settings->run(dialog) != QDialog::Accepted)
        return;
    const QString path = dialog.selectedFiles().value(0);
    if (path.isEmpty())
        return;
    m_settings->setSaveFolder(QFileInfo(path).absolutePath());

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
    m_settings->applyPageLayout(printer);
    QPageSetupDialog dialog(&printer, dialogOwner());
    dialog.setWindowTitle(QStringLiteral("页面设置"));
    if (m_settings->run(dialog) == QDialog::Accepted)
        m_settings->setPageLayout(printer.pageLayout());
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
    m_settings->run(dialog);
}

void PageCommands::print()
{
    QPrinter printer(QPrinter::HighResolution);
    preparePrinter(printer);
    QPrintDialog dialog(&printer, dialogOwner());
    dialog.setWindowTitle(QStringLiteral("打印"));
    if (m_settings->run(dialog) != QDialog::Accepted)
        return;
    if (printer.outputFormat() == QPrinter::PdfFormat)
        startPdf(printer.outputFileName(), printer.pageLayout(), printer.pageRanges());
    else
        startQueueJob(printer);
}

// The queue gets the engine's PDF, with its text and fonts, rather than the page images
// the engine would draw on the printer from a thread of its own. The job is handed over
// whole once the engine has made it, also when its page has been closed meanwhile: the
// user asked for it, and nothing has cancelled it.
void PageCommands::startQueueJob(const QPrinter& printer)
{
    const PrintQueue::Job queueJob = PrintQueue::jobFor(printer);
    const std::shared_ptr<EngineJob> job = beginEngineJob();
    job->page->printToPdf(
        [job, queueJob](const QByteArray& pdf) {
            const QString failure = pdf.isEmpty()
                ? QStringLiteral("网页没有给出可打印的内容")
                : PrintQueue::submit(queueJob, pdf);
            if (!failure.isEmpty() && job->owner)
                job->owner->reportLater(QStringLiteral("无法打印到 %1：%2")
                                            .arg(QString::fromUtf8(queueJob.queue), failure));
            endEngineJob(job);
        },
        printer.pageLayout(), printer.pageRanges());
}

// A PDF file gets the engine's own PDF: text and fonts, not one image per page.
void PageCommands::startPdf(const QString& path, const QPageLayout& layout,
                            const QPageRanges& ranges)
{
    if (path.isEmpty() || QFileInfo(path).isDir())
        throw Error(QStringLiteral("无法打印到文件：请给出文件名"));
    const std::shared_ptr<EngineJob> job = beginEngineJob();
    connect(
        job->page, &QWebEnginePage::pdfPrintingFinished, job->page,
        [job, path](const QString&, bool ok) {
            if (!ok && job->owner)
                job->owner->reportLater(
                    QStringLiteral("无法打印到文件 %1").arg(QDir::toNativeSeparators(path)));
            endEngineJob(job);
        },
        Qt::SingleShotConnection);
    job->page->printToPdf(path, layout, ranges);
}

// The engine's PDF of the page, waited for here: the preview wants its pages before the
// paint request returns. Empty when the engine could not make it.
QByteArray PageCommands::pdfNow(const QPageLayout& layout, const QPageRanges& ranges)
{
    QEventLoop loop;
    QByteArray result;
    bool done = false;
    const QPointer<QEventLoop> waiting(&loop);
    m_view->page()->printToPdf(
        [&result, &done, waiting](const QByteArray& pdf) {
            if (!waiting)
                return;
            result = pdf;
            done = true;
            waiting->quit();
        },
        layout, ranges);
    if (!done)
        loop.exec();
    return result;
}

// Each page of the same PDF a print gives, as a picture of the whole sheet: the margins
// and the orientation are those of the PDF, not redrawn inside the printer's margins.
void PageCommands::drawPreview(QPrinter* printer)
{
    QByteArray pdf = pdfNow(printer->pageLayout(), printer->pageRanges());
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::ReadOnly);
    QPdfDocument document;
    document.load(&buffer);
    if (document.status() != QPdfDocument::Status::Ready || document.pageCount() == 0)
        throw Error(QStringLiteral("无法显示打印预览"));
    QPainter painter;
    if (!painter.begin(printer))
        throw Error(QStringLiteral("无法显示打印预览"));
    const int resolution = printer->resolution();
    // The painter starts at the printable area; the pictures start at the sheet's corner.
    const QPoint sheetCorner = printer->fullPage()
        ? QPoint()
        : -printer->pageLayout().paintRectPixels(resolution).topLeft();
    for (int page = 0; page < document.pageCount(); ++page) {
        if (page > 0)
            printer->newPage();
        const QSize size = (document.pagePointSize(page) * resolution / 72.0).toSize();
        painter.drawImage(QRect(sheetCorner, size), document.render(page, size));
    }
}

// Draws the pages for the preview window, and prints them when asked to from there.
void PageCommands::paint(QPrinter* printer)
{
    if (m_painting || m_printing)
        return;
    // The preview window is modal, so the view outlives the waits here.
    const QScopedValueRollback painting(m_painting, true);
    if (isPreview(printer)) {
        drawPreview(printer);
        return;
    }
    if (printer->outputFormat() == QPrinter::NativeFormat) {
        startQueueJob(*printer);
        return;
    }
    QEventLoop loop;
    connect(this, &PageCommands::printingChanged, &loop, &QEventLoop::quit);
    startPdf(printer->outputFileName(), printer->pageLayout(), printer->pageRanges());
    if (m_printing)
        loop.exec();
}
