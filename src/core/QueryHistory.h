#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The history of searched terms, oldest first, each term as its ANSI bytes, and the
// history file "Veritome.qry" that keeps it between runs.
namespace QueryHistory {

inline const QString fileName = QStringLiteral("Veritome.qry");

// A search adds a term that is not yet there; past this many items the oldest goes first.
constexpr int itemsKeptBeforeAdding = 10;

// Lines end at CR, LF or CR LF; a NUL ends the text; a line end at the very end opens
// no further line.
QList<QByteArray> parse(const QByteArray& content);
// Every item followed by CR LF; no items, no bytes.
QByteArray serialise(const QList<QByteArray>& items);

// True when the term was added, false when an equal item was already there.
bool remember(QList<QByteArray>& items, const QByteArray& term);

// Throw Error with the file-open message when the file exists but cannot be read to its
// end. A missing file gives an empty history.
QList<QByteArray> load(const QString& path);
// Replaces the file (see WholeFile::write); throws Error on any failure, leaving the old
// file whole.
void save(const QString& path, const QList<QByteArray>& items);

} // namespace QueryHistory
