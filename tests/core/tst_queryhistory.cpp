#include "CoreTestTools.h"
#include "QueryHistory.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace CoreTest;

using Items = QList<QByteArray>;

namespace {

Items numbered(int from, int to)
{
    Items items;
    for (int i = from; i <= to; ++i)
        items.append("term" + QByteArray::number(i));
    return items;
}

// Random lines with random line ends, built so that the expected items are known without
// parsing: no line holds CR, LF or NUL, and an empty line never follows a lone CR with
// an LF of its own (that CR LF would be one line end).
struct GeneratedFile {
    QByteArray content;
    Items lines;
};

GeneratedFile generateLines(quint32 seed, qsizetype size, const QByteArray& alphabet)
{
    QRandomGenerator random(seed);
    static const QByteArray lineEnds[] = {"\r", "\n", "\r\n"};
    GeneratedFile file;
    bool afterLoneCr = false;
    while (file.content.size() < size) {
        QByteArray line;
        const int length = random.bounded(0, 200);
        for (int i = 0; i < length; ++i)
            line += alphabet[random.bounded(int(alphabet.size()))];
        const QByteArray& end = (afterLoneCr && line.isEmpty()) ? lineEnds[0]
                                                                  : lineEnds[random.bounded(3)];
        file.lines.append(line);
        file.content += line + end;
        afterLoneCr = end == "\r";
    }
    return file;
}

QByteArray allBytesBut(const QByteArray& excluded)
{
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        if (!excluded.contains(char(b)))
            bytes += char(b);
    return bytes;
}

} // namespace

class TestQueryHistory : public QObject {
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Items>("expected");

        QTest::newRow("empty file") << QByteArray() << Items{};
        QTest::newRow("CR LF") << QByteArray("abc\r\ndef\r\n") << Items{"abc", "def"};
        QTest::newRow("LF") << QByteArray("abc\ndef\n") << Items{"abc", "def"};
        QTest::newRow("CR") << QByteArray("abc\rdef\r") << Items{"abc", "def"};
        QTest::newRow("mixed line ends") << QByteArray("a\rb\nc\r\nd") << Items{"a", "b", "c", "d"};
        QTest::newRow("LF CR is two line ends") << QByteArray("a\n\rb") << Items{"a", "", "b"};
        QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << Items{"a", "", "b"};
        QTest::newRow("missing final line end") << QByteArray("abc\r\ndef") << Items{"abc", "def"};
        QTest::newRow("one line without end") << QByteArray("abc") << Items{"abc"};
        QTest::newRow("empty lines inside") << QByteArray("a\r\n\r\n\r\nb\r\n")
                                            << Items{"a", "", "", "b"};
        QTest::newRow("leading empty line") << QByteArray("\r\nabc\r\n") << Items{"", "abc"};
        QTest::newRow("CR LF CR LF at the end") << QByteArray("abc\r\n\r\n") << Items{"abc", ""};
        QTest::newRow("single line end") << QByteArray("\r\n") << Items{""};
        QTest::newRow("single CR") << QByteArray("\r") << Items{""};
        QTest::newRow("NUL ends the text") << QByteArray("abc\r\nde\0f\r\nghi\r\n", 15)
                                           << Items{"abc", "de"};
        QTest::newRow("NUL first") << QByteArray("\0abc\r\n", 6) << Items{};
        QTest::newRow("NUL after a line end") << QByteArray("abc\r\n\0def", 9) << Items{"abc"};
        QTest::newRow("NUL between CR and LF") << QByteArray("abc\r\0\ndef", 9)
                                               << Items{"abc"};
        QTest::newRow("blanks kept") << QByteArray(" a b \r\n\t\r\n") << Items{" a b ", "\t"};
        QTest::newRow("GBK bytes") << QByteArray("\xB0\xD9\xBF\xC6\r\n\xB3\xC9\xD3\xEF\r\n")
                                   << Items{"\xB0\xD9\xBF\xC6", "\xB3\xC9\xD3\xEF"};
        QTest::newRow("same line twice loads twice") << QByteArray("abc\r\nabc\r\n")
                                                     << Items{"abc", "abc"};
        QByteArray twenty;
        for (const QByteArray& line : numbered(1, 20))
            twenty += line + "\n";
        QTest::newRow("20 lines") << twenty << numbered(1, 20);
    }

    void parse()
    {
        QFETCH(QByteArray, content);
        QFETCH(Items, expected);
        QCOMPARE(QueryHistory::parse(content), expected);
    }

    void serialise_data()
    {
        QTest::addColumn<Items>("items");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("no items, no bytes") << Items{} << QByteArray();
        QTest::newRow("one item") << Items{"abc"} << QByteArray("abc\r\n");
        QTest::newRow("CR LF after every item")
            << Items{"abc", "", " x "} << QByteArray("abc\r\n\r\n x \r\n");
        QTest::newRow("one empty item") << Items{""} << QByteArray("\r\n");
        QTest::newRow("bytes as they are")
            << Items{"\xB0\xD9\xBF\xC6", "\x81\x30\xFF"}
            << QByteArray("\xB0\xD9\xBF\xC6\r\n\x81\x30\xFF\r\n");
    }

    void serialise()
    {
        QFETCH(Items, items);
        QFETCH(QByteArray, expected);
        QCOMPARE(QueryHistory::serialise(items), expected);
        QCOMPARE(QueryHistory::parse(expected), items);
    }

    void remember_data()
    {
        QTest::addColumn<Items>("items");
        QTest::addColumn<QByteArray>("term");
        QTest::addColumn<bool>("added");
        QTest::addColumn<int>("removedIndex");
        QTest::addColumn<Items>("expected");

        QTest::newRow("first term") << Items{} << QByteArray("abc") << true << -1 << Items{"abc"};
        QTest::newRow("known term stays in place")
            << Items{"a", "abc", "b"} << QByteArray("abc") << false << -1 << Items{"a", "abc", "b"};
        QTest::newRow("known oldest term stays first")
            << numbered(1, 11) << QByteArray("term1") << false << -1 << numbered(1, 11);
        QTest::newRow("letter case counts")
            << Items{"abc"} << QByteArray("ABC") << true << -1 << Items{"abc", "ABC"};
        QTest::newRow("trailing blank counts")
            << Items{"abc"} << QByteArray("abc ") << true << -1 << Items{"abc", "abc "};
        QTest::newRow("10 items grow to 11")
            << numbered(1, 10) << QByteArray("new") << true << -1 << numbered(1, 10) + Items{"new"};
        QTest::newRow("11 items stay 11")
            << numbered(1, 11) << QByteArray("new") << true << 0 << numbered(2, 11) + Items{"new"};
        QTest::newRow("20 loaded items stay 20")
            << numbered(1, 20) << QByteArray("new") << true << 0 << numbered(2, 20) + Items{"new"};
        QTest::newRow("a duplicate in the file is no reason to add")
            << Items{"abc", "abc"} << QByteArray("abc") << false << -1 << Items{"abc", "abc"};
    }

    void remember()
    {
        QFETCH(Items, items);
        QFETCH(QByteArray, term);
        QFETCH(bool, added);
        QFETCH(int, removedIndex);
        QFETCH(Items, expected);
        QueryHistory history(items);
        const QueryHistory::Change change = history.remember(term);
        QCOMPARE(change.added, added);
        QCOMPARE(change.removedIndex, removedIndex);
        QCOMPARE(change.removed, removedIndex < 0 ? QByteArray() : items[removedIndex]);
        QCOMPARE(history.items(), expected);
    }

    // Two windows of one user: whichever closes last, the terms of both are kept.
    void merged_data()
    {
        QTest::addColumn<Items>("loaded");
        QTest::addColumn<Items>("current");
        QTest::addColumn<Items>("before"); // own terms before a newer window took over
        QTest::addColumn<Items>("since");
        QTest::addColumn<Items>("expected");

        QTest::newRow("one window: its own list")
            << Items{"a", "b"} << Items{"a", "b"} << Items{} << Items{"c", "a"}
            << Items{"a", "b", "c"};
        QTest::newRow("the newer window closes last")
            << Items{"old"} << Items{"old", "first"} << Items{} << Items{"second", "third"}
            << Items{"old", "first", "second", "third"};
        QTest::newRow("the window taken over closes last")
            << Items{"old"} << Items{"old", "second", "third"} << Items{"first"} << Items{"late"}
            << Items{"old", "first", "second", "third", "late"};
        QTest::newRow("a term in both windows once")
            << Items{} << Items{"x", "y"} << Items{"y"} << Items{"x", "z"} << Items{"y", "x", "z"};
        QTest::newRow("the oldest make room")
            << numbered(1, 11) << numbered(1, 11) + Items{} << Items{"mine"} << Items{}
            << numbered(2, 11) + Items{"mine"};
        QTest::newRow("the other window dropped an old term")
            << Items{"gone", "kept"} << Items{"kept", "new"} << Items{} << Items{}
            << Items{"kept", "new"};
    }

    void merged()
    {
        QFETCH(Items, loaded);
        QFETCH(Items, current);
        QFETCH(Items, before);
        QFETCH(Items, since);
        QFETCH(Items, expected);
        QCOMPARE(QueryHistory::merged(loaded, current, before, since), expected);
    }

    void loadOfMissingFileIsEmpty()
    {
        QTemporaryDir folder;
        QCOMPARE(QueryHistory::load(folder.filePath(QueryHistory::fileName)), Items{});
        QCOMPARE(entries(folder.path()), QStringList());
    }

    // A file that exists but cannot be read whole gives no history, only the open message.
    void loadOfUnreadableFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a folder") << QStringLiteral("folder") << QStringLiteral("Is a directory");
        QTest::newRow("an I/O error after opening")
            << QStringLiteral("failing reads") << QStringLiteral("Input/output error");
    }

    void loadOfUnreadableFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir folder;
        const QString path = folder.filePath(QueryHistory::fileName);
        QVERIFY(kind == "folder" ? QDir(folder.path()).mkdir(QueryHistory::fileName)
                                 : linkToFailingReads(path));
        const QString error = errorOf([&] { QueryHistory::load(path); });
        QCOMPARE(error, QStringLiteral("Cannot open file \"%1\". %2")
                            .arg(QFileInfo(path).absoluteFilePath(), reason));
    }

    // Whatever the bytes of a line, it comes back from a load and a save unchanged; only
    // the line ends become CR LF.
    void linesSurviveLoadAndSave_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Items>("lines");

        const GeneratedFile random =
            generateLines(20240611, 5 * 1024 * 1024, allBytesBut(QByteArray("\r\n\0", 3)));
        QTest::newRow("5 MB of random bytes") << random.content << random.lines;

        const Items invalid = {
            "\x81",             // lead byte alone
            "abc\xFE",          // lead byte at the end of the line
            "\xFF\xFF",         // never a GB18030 byte
            "\x80",             // GBK's euro sign, not GB18030
            "\x81\x7F",         // second byte out of range
            "\x81\x30",         // four-byte sequence cut after two
            "\x81\x30\x81",     // ... after three
            "\x81\x30\x81\x7F", // bad fourth byte
            "\xFE\x39\xFE\x39", // beyond the last code point
            "\xA1\x40\xB0\xD9", // unassigned pair, then a real one
            "\xB0",             // half of a character whose other half went to the next line
            "\xD9\xBF\xC6",
        };
        QByteArray invalidContent;
        for (const QByteArray& line : invalid)
            invalidContent += line + "\n";
        QTest::newRow("invalid GB18030 sequences") << invalidContent << invalid;
    }

    void linesSurviveLoadAndSave()
    {
        QFETCH(QByteArray, content);
        QFETCH(Items, lines);
        QTemporaryDir folder;
        const QString path = folder.filePath(QueryHistory::fileName);
        QVERIFY(writeFile(path, content));

        const Items loaded = QueryHistory::load(path);
        QCOMPARE(loaded.size(), lines.size());
        QVERIFY(loaded == lines);

        QByteArray expected;
        for (const QByteArray& line : lines)
            expected += line + "\r\n";
        QueryHistory::save(path, loaded);
        QVERIFY(readFile(path) == expected);
        QVERIFY(QueryHistory::load(path) == lines);
    }

    void saveOfEmptyHistoryWritesZeroBytes()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QueryHistory::fileName);
        QVERIFY(writeFile(path, "old\r\n"));
        QueryHistory::save(path, {});
        QVERIFY(QFileInfo::exists(path));
        QCOMPARE(readFile(path), QByteArray());
    }

    // The new file takes the old one's place by rename: a reader that opened the old file
    // before the save still reads all of it, and no temporary file is left over.
    void saveReplacesTheFileAtomically()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QueryHistory::fileName);
        const QByteArray old = "one\r\ntwo\r\n";
        QVERIFY(writeFile(path, old));
        QFile reader(path);
        QVERIFY(reader.open(QIODevice::ReadOnly));

        QueryHistory::save(path, {"three"});
        QCOMPARE(reader.readAll(), old);
        QCOMPARE(readFile(path), QByteArray("three\r\n"));
        QCOMPARE(entries(folder.path()), QStringList{QueryHistory::fileName});
    }

    void failedSave_data()
    {
        QTest::addColumn<QString>("blocker");
        QTest::newRow("a folder where the file should be") << QStringLiteral("folder");
        QTest::newRow("a file where the folder should be") << QStringLiteral("file");
        QTest::newRow("disk full") << QStringLiteral("full");
    }

    void failedSave()
    {
        QFETCH(QString, blocker);
        QTemporaryDir folder;
        QString path = folder.filePath(QueryHistory::fileName);
        QString keptPath = path;
        if (blocker == "folder") {
            QVERIFY(QDir(folder.path()).mkdir(QueryHistory::fileName));
            keptPath = QDir(path).filePath("inside.txt");
        } else if (blocker == "file") {
            keptPath = folder.filePath("app");
            path = QDir(keptPath).filePath(QueryHistory::fileName);
        }
        const QByteArray kept = "one\r\ntwo\r\n";
        QVERIFY(writeFile(keptPath, kept));
        const QStringList before = entries(folder.path());

        const Items items = {QByteArray(4096, 'x'), "y"};
        QString error;
        if (blocker == "full") {
            FileSizeLimit full(kept.size());
            QVERIFY(full.active());
            error = errorOf([&] { QueryHistory::save(path, items); });
        } else {
            error = errorOf([&] { QueryHistory::save(path, items); });
        }
        QVERIFY2(!error.isNull(), "the save reported success");
        QVERIFY2(error.startsWith(QStringLiteral("Cannot create file \"%1\". ")
                                      .arg(QFileInfo(path).absoluteFilePath())),
                 qPrintable(error));
        QCOMPARE(readFile(keptPath), kept);
        QCOMPARE(entries(folder.path()), before);
    }
};

QTEST_APPLESS_MAIN(TestQueryHistory)
#include "tst_queryhistory.moc"
