#include "PrintQueue.h"

#include <QPageLayout>
#include <QPrinter>

#include <cups/cups.h>

namespace PrintQueue {

Job jobFor(const QPrinter& printer)
{
    Job job;
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

QString submit(const Job& job, const QByteArray& pdf)
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

} // namespace PrintQueue
