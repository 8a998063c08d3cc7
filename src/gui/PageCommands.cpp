#include "PageCommands.h"

#include "Application.h"
#include "Error.h"

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
#include <QStandardPaths>
#include <QTimer>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <cups/cups.h>

namespace {

// The preview shows each page as an image; this is enough to read it zoomed in.
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

// A job for a print queue, taken from the print dialog's printer, which is gone by the
// time the engine has made the document.
struct QueueJob {
    QByteArray queue;
    QByteArray instance;
    QByteArray title;
    QList<QPair<QByteArray, QByteArray>> options;
};

QueueJob queueJobFor(const QPrinter& printer)
{
    QueueJob job;
    const QStringList name = printer.printerName().split(QLatin1Char('/'));
    job.queue = name.value(0).toUtf8();
    job.instance = name.value(1).toUtf8();
    job.title = printer.docName().toUtf8();
    job.options.emplaceBack("copies", QByteArray::number(printer.copyCount()));
    if (printer.copyCount() > 1)
        job.options.emplaceBack("collate", printer.collateCopies() ? "true" : "false");
    const bool landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
    switch (printer.duplex()) {
    case QPrinter::DuplexNone:
        job.options.emplaceBack("sides", "one-sided");
        break;
    case QPrinter::DuplexLongSide:
        job.options.emplaceBack("sides", "two-sided-long-edge");
        break;
    case QPrinter::DuplexShortSide:
        job.options.emplaceBack("sides", "two-sided-short-edge");
        break;
    case QPrinter::DuplexAuto:
        job.options.emplaceBack("sides", landscape ? "two-sided-short-edge" : "two-sided-long-edge");
        break;
    }
    if (printer.colorMode() == QPrinter::GrayScale)
        job.options.emplaceBack("print-color-mode", "monochrome");
    if (printer.pageOrder() == QPrinter::LastPageFirst)
        job.options.emplaceBack("outputorder", "reverse");
    return job;
}

// Hands the whole document to the queue in one go and returns the failure's text, empty
// when the queue took it. A job that did not get all of it is cancelled: the printer
// never starts on half a document.
QString submit(const QueueJob& job, const QByteArray& pdf)
{
    cups_option_t* options = nullptr;
    int count = 0;
    for (const auto& [name, value] : job.options)
        count = cupsAddOption(name.constData(), value.constData(), count, &options);
    // The user's saved choices for the queue fill in what the dialog left open, as lp does.
    if (cups_dest_t* dest = cupsGetNamedDest(
            CUPS_HTTP_DEFAULT, job.queue.constData(),
            job.instance.isEmpty() ? nullptr : job.instance.constData())) {
        for (int i = 0; i < dest->num_options; ++i)
            if (!cupsGetOption(dest->options[i].name, count, options))
                count = cupsAddOption(dest->options[i].name, dest->options[i].value, count,
                                      &options);
        cupsFreeDests(1, dest);
    }
    const int id = cupsCreateJob(CUPS_HTTP_DEFAULT, job.queue.constData(), job.title.constData(),
                                 count, options);
    cupsFreeOptions(count, options);
    if (id == 0)
        return QString::fromUtf8(cupsLastErrorString());
    const bool written =
        cupsStartDocument(CUPS_HTTP_DEFAULT, job.queue.constData(), id, job.title.constData(),
                          CUPS_FORMAT_PDF, 1)
            == HTTP_STATUS_CONTINUE
        && cupsWriteRequestData(CUPS_HTTP_DEFAULT, pdf.constData(), size_t(pdf.size()))
               == HTTP_STATUS_CONTINUE;
    // Finishing also collects the queue's answer to what was written.
    const bool accepted = cupsFinishDocument(CUPS_HTTP_DEFAULT, job.queue.constData()) == IPP_STATUS_OK;
    if (written && accepted)
        return QString();
    const QString failure = QString::fromUtf8(cupsLastErrorString());
    cupsCancelJob2(CUPS_HTTP_DEFAULT, job.queue.constData(), id, 0);
    return failure;
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

PageCommands::PageCommands(QWebEngineView* view) : QObject(view), m_view(view)
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
    job->quitWatch = connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, job->page, [job] {
        if (job->done)
            return;
        // A few seconds at most: the engine takes well under one for a long page.
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
    QPrinter printer(QPrinter::HighResolution);
    preparePrinter(printer);
    QPrintDialog dialog(&printer, dialogOwner());
    dialog.setWindowTitle(QStringLiteral("打印"));
    if (dialogs().run(dialog) != QDialog::Accepted)
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
    const QueueJob queueJob = queueJobFor(printer);
    const std::shared_ptr<EngineJob> job = beginEngineJob();
    job->page->printToPdf(
        [job, queueJob](const QByteArray& pdf) {
            const QString failure = pdf.isEmpty()
                ? QStringLiteral("网页没有给出可打印的内容")
                : submit(queueJob, pdf);
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
