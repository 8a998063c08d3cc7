#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The history of searched terms, oldest first, each term as its ANSI bytes, and the
// history file "Veritome.qry" that keeps it between runs.
class QueryHistory {
public:
    static inline const QString fileName = QStringLiteral("Veritome.qry");

    // A search adds a term that is not yet there; past this many items the oldest goes first.
    static constexpr int itemsKeptBeforeAdding = 10;

    // What one remember() did, so that a list showing the items can do the same.
    struct Change {
        bool added = false;    // the term went in at the end
        int removedIndex = -1; // the item that made room for it, or -1
        QByteArray removed;
    };

    QueryHistory() = default;
    explicit QueryHistory(QList<QByteArray> items) : m_items(std::move(items)) {}

    const QList<QByteArray>& items() const { return m_items; }

    // Adds the term unless an equal item is already there.
    Change remember(const QByteArray& term);

    // The history a window saves when another window of the same user may have saved the
    // file since this one loaded it: no term of either is lost. loaded is what the window
    // read at its start, current what the file holds now. The window's own terms searched
    // before a newer window took over from it are older than the newer window's; all its
    // other terms are newer than those the other window saved. Then the usual rules: each
    // term once, oldest first, the oldest making room.
    static QList<QByteArray> merged(const QList<QByteArray>& loaded,
                                    const QList<QByteArray>& current,
                                    const QList<QByteArray>& ownBeforeTakeOver,
                                    const QList<QByteArray>& ownSince);

    // Lines end at CR, LF or CR LF; a NUL ends the text; a line end at the very end opens
    // no further line.
    static QList<QByteArray> parse(const QByteArray& content);
    // Every item followed by CR LF; no items, no bytes.
    static QByteArray serialise(const QList<QByteArray>& items);

    // Throws Error with the file-open message when the file exists but cannot be read to
    // its end. A missing file gives an empty history.
    static QList<QByteArray> load(const QString& path);
    // Replaces the file (see WholeFile::write); throws Error on any failure, leaving the old
    // file whole.
    static void save(const QString& path, const QList<QByteArray>& items);

private:
    QList<QByteArray> m_items;
};
