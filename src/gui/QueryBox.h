#pragma once

#include <QByteArray>
#include <QList>

class QComboBox;

// The query box's drop-down list as the query history. Each item keeps the ANSI bytes it
// was loaded or searched with, so a term that is no valid text goes back to the file as
// it came.
namespace QueryBox {

// Fills the list, oldest first; the text being typed stays.
void setHistory(QComboBox* box, const QList<QByteArray>& items);
QList<QByteArray> history(const QComboBox* box);
// The term in the box enters the history as the history's rules say.
void remember(QComboBox* box);

} // namespace QueryBox
