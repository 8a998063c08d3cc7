#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

class QPrinter;

// Handing a finished PDF to a print queue of the system's print service.
namespace PrintQueue {

// A job for a print queue, taken from the print dialog's printer, which is gone by the
// time the engine has made the document.
struct Job {
    QByteArray queue;
    QByteArray instance;
    QByteArray title;
    QList<QPair<QByteArray, QByteArray>> options;
};

Job jobFor(const QPrinter& printer);

// Hands the whole document to the queue in one go and returns the failure's text, empty
// when the queue took it. A job that did not get all of it is cancelled: the printer
// never starts on half a document.
QString submit(const Job& job, const QByteArray& pdf);

} // namespace PrintQueue
