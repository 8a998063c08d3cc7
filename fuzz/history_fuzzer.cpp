// The history reader on any file content, and the writer on what it read.
#include "FuzzCheck.h"
#include "QueryHistory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<QByteArray> items = QueryHistory::parse(content);

    // Only line ends are lost, and nothing after the first NUL is read.
    const qsizetype nul = content.indexOf('\0');
    QByteArray text = content.left(nul < 0 ? content.size() : nul);
    text.replace('\r', QByteArray()).replace('\n', QByteArray());
    FUZZ_CHECK(items.join() == text);
    for (const QByteArray& item : items)
        FUZZ_CHECK(!item.contains('\r') && !item.contains('\n') && !item.contains('\0'));

    // What is written reads back as the same items and writes the same bytes again.
    const QByteArray saved = QueryHistory::serialise(items);
    FUZZ_CHECK(saved.size() == text.size() + 2 * items.size());
    FUZZ_CHECK(QueryHistory::parse(saved) == items);
    FUZZ_CHECK(QueryHistory::serialise(QueryHistory::parse(saved)) == saved);

    // A search adds a new term at the end and drops the oldest only past 10 items.
    const QByteArray term = items.isEmpty() ? text : items[items.size() / 2] + text.right(size % 2);
    QueryHistory history(items);
    const QueryHistory::Change change = history.remember(term);
    const QList<QByteArray>& after = history.items();
    FUZZ_CHECK(change.added == !items.contains(term));
    if (!change.added) {
        FUZZ_CHECK(after == items && change.removedIndex == -1);
    } else {
        const qsizetype dropped = items.size() > 10 ? 1 : 0;
        FUZZ_CHECK(change.removedIndex == (dropped ? 0 : -1));
        FUZZ_CHECK(!dropped || change.removed == items.first());
        FUZZ_CHECK(after.size() == items.size() + 1 - dropped);
        FUZZ_CHECK(after.last() == term);
        FUZZ_CHECK(after.mid(0, after.size() - 1) == items.mid(dropped));
    }

    // A window alone saves at close what its list shows: the file it loaded, unchanged
    // since, with its own searches remembered on top.
    const QList<QByteArray> searched = items.mid(items.size() / 3) + QList<QByteArray>{term};
    QueryHistory alone(items);
    for (const QByteArray& search : searched)
        alone.remember(search);
    FUZZ_CHECK(QueryHistory::merged(items, items, {}, searched) == alone.items());
    // Another window's saved terms stay, however the searches fall either side of a take-over.
    const QList<QByteArray> merged =
        QueryHistory::merged({}, items.mid(0, 3), searched.mid(0, 1), searched.mid(1));
    if (items.size() + searched.size() <= 11)
        for (const QByteArray& item : items.mid(0, 3) + searched)
            FUZZ_CHECK(merged.contains(item));
    return 0;
}
