#include "CommandLine.h"

#include <QTest>

Q_DECLARE_METATYPE(CommandLine::Outcome)

// The command line read without a window: what it asks for, and what goes on to Qt.
class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void parse_data()
    {
        using O = CommandLine::Outcome;
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<CommandLine::Outcome>("outcome");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("term");
        QTest::addColumn<bool>("selection");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QStringList>("qtArguments"); // after the program's name

        const QStringList none;
        QTest::newRow("nothing: only the window") << none << O::Run << -1 << "" << false << "" << none;
        QTest::newRow("a term") << QStringList{"苹果"} << O::Run << -1 << "苹果" << false << "" << none;
        QTest::newRow("words join with one blank")
            << QStringList{"ice", "cream"} << O::Run << -1 << "ice cream" << false << "" << none;
        QTest::newRow("blanks inside a term stay")
            << QStringList{" a  b "} << O::Run << -1 << " a  b " << false << "" << none;
        QTest::newRow("mode by name") << QStringList{"--mode", "成语词典", "x"} << O::Run << 1 << "x"
                                      << false << "" << none;
        QTest::newRow("mode by number, with =")
            << QStringList{"--mode=2", "x"} << O::Run << 2 << "x" << false << "" << none;
        QTest::newRow("mode after the term")
            << QStringList{"x", "--mode", "0"} << O::Run << 0 << "x" << false << "" << none;
        QTest::newRow("mode alone") << QStringList{"--mode", "英汉汉英词典"} << O::Run << 2 << ""
                                    << false << "" << none;
        QTest::newRow("selection with a mode")
            << QStringList{"--selection", "--mode", "1"} << O::Run << 1 << "" << true << "" << none;
        QTest::newRow("-- makes the rest words")
            << QStringList{"--", "--mode", "-x"} << O::Run << -1 << "--mode -x" << false << "" << none;
        QTest::newRow("Qt's options pass, with their values")
            << QStringList{"-platform", "offscreen", "苹果", "--style=fusion", "-reverse"} << O::Run
            << -1 << "苹果" << false << ""
            << QStringList{"-platform", "offscreen", "--style=fusion", "-reverse"};
        QTest::newRow("the display is read")
            << QStringList{"-display", ":3", "x"} << O::Run << -1 << "x" << false << ":3"
            << QStringList{"-display", ":3"};
        QTest::newRow("the display, with two dashes and =")
            << QStringList{"--display=:4.0"} << O::Run << -1 << "" << false << ":4.0"
            << QStringList{"--display=:4.0"};
        QTest::newRow("the engine's arguments are the engine's")
            << QStringList{"x", "--webEngineArgs", "--mode", "--help"} << O::Run << -1 << "x"
            << false << "" << QStringList{"--webEngineArgs", "--mode", "--help"};

        QTest::newRow("--help") << QStringList{"x", "--help"} << O::Help << -1 << "" << false << "" << none;
        QTest::newRow("-h") << QStringList{"-h"} << O::Help << -1 << "" << false << "" << none;
        QTest::newRow("--version") << QStringList{"--version"} << O::Version << -1 << "" << false << ""
                                   << none;
        QTest::newRow("--help wins over --version")
            << QStringList{"--version", "--help"} << O::Help << -1 << "" << false << "" << none;
        QTest::newRow("a term is one line")
            << QStringList{"第一行\n第二行", "a\tb\x01"} << O::Run << -1 << "第一行 第二行 a b"
            << false << "" << none;

        const struct {
            const char* name;
            QStringList arguments;
        } errors[] = {
            {"unknown option", {"--bogus"}},
            {"unknown option before --help", {"--bogus", "--help"}},
            {"unknown option after --version", {"--version", "--bogus"}},
            {"unknown option after --help", {"--help", "-x"}},
            {"empty mode", {"--mode", "", "x"}},
            {"unknown short option", {"-x"}},
            {"a lone dash", {"-"}},
            {"--mode without its value", {"x", "--mode"}},
            {"mode number out of range", {"--mode", "3", "x"}},
            {"mode number written otherwise", {"--mode", "01", "x"}},
            {"negative mode number", {"--mode=-1", "x"}},
            {"part of a mode's name", {"--mode", "百科", "x"}},
            {"two modes", {"--mode", "0", "--mode", "1", "x"}},
            {"empty term", {""}},
            {"blank term", {"  \t"}},
            {"term of control characters only", {"\x01\x7f"}},
            {"selection and a term", {"--selection", "x"}},
            {"--help with a value", {"--help=1"}},
            {"Qt option without its value", {"x", "-platform"}},
            {"--background with a term", {"--background", "x"}},
            {"--background with --popup", {"--popup", "--background"}},
            {"--popup with a value", {"--popup=1", "x"}},
        };
        for (const auto& error : errors)
            QTest::newRow(error.name) << error.arguments << O::Error << -1 << "" << false << "" << none;
    }

    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(CommandLine::Outcome, outcome);
        QFETCH(int, mode);
        QFETCH(QString, term);
        QFETCH(bool, selection);
        QFETCH(QString, display);
        QFETCH(QStringList, qtArguments);

        const QString program = QStringLiteral("/opt/app/Veritome");
        const CommandLine line = CommandLine::parse(QStringList{program} + arguments);
        QCOMPARE(line.outcome, outcome);
        QCOMPARE(line.error.isEmpty(), outcome != CommandLine::Outcome::Error);
        if (outcome != CommandLine::Outcome::Run)
            return;
        QCOMPARE(line.request.modeIndex, mode);
        QCOMPARE(line.request.term, term);
        QCOMPARE(line.request.selection, selection);
        QCOMPARE(line.display, display);
        QCOMPARE(line.qtArguments, QStringList{program} + qtArguments);
    }

    // The message names the mode given, quoted, so that an empty one is seen as such.
    void unknownModeIsNamed_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::newRow("empty") << QString();
        QTest::newRow("part of a name") << QStringLiteral("百科");
    }

    void unknownModeIsNamed()
    {
        QFETCH(QString, mode);
        const CommandLine line = CommandLine::parse({"Veritome", "--mode", mode, "x"});
        QCOMPARE(line.outcome, CommandLine::Outcome::Error);
        QVERIFY2(line.error.startsWith(QStringLiteral("未知的查询方式：“%1”（").arg(mode)),
                 qPrintable(line.error));
    }

    // The popup and the background start are asked for beside the rest of the request.
    void popupAndBackground()
    {
        const CommandLine popup = CommandLine::parse(
            {QStringLiteral("Veritome"), QStringLiteral("--popup"), QStringLiteral("--mode=1"),
             QStringLiteral("--selection")});
        QCOMPARE(popup.outcome, CommandLine::Outcome::Run);
        QVERIFY(popup.request.popup && popup.request.selection && !popup.request.background);
        QCOMPARE(popup.request.modeIndex, 1);
        const CommandLine background =
            CommandLine::parse({QStringLiteral("Veritome"), QStringLiteral("--background")});
        QCOMPARE(background.outcome, CommandLine::Outcome::Run);
        QVERIFY(background.request.background && !background.request.popup);
    }

    // What a later start sends arrives as it was sent; anything else is no request.
    void requestBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        LookupRequest full;
        full.modeIndex = 2;
        full.term = QStringLiteral("\"百科\"\n\\x");
        LookupRequest selection;
        selection.selection = true;
        QTest::newRow("term, quotes and line break") << full.toBytes() << true;
        QTest::newRow("selection") << selection.toBytes() << true;
        LookupRequest popup = selection;
        popup.popup = true;
        QTest::newRow("selection in the popup") << popup.toBytes() << true;
        LookupRequest background;
        background.background = true;
        QTest::newRow("background") << background.toBytes() << true;
        QTest::newRow("only the window") << LookupRequest().toBytes() << true;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("cut short") << full.toBytes().chopped(3) << false;
        QTest::newRow("not an object") << QByteArray("[1,2]") << false;
        QTest::newRow("term of the wrong type")
            << QByteArray(R"({"mode":0,"term":5,"selection":false})") << false;
        QTest::newRow("field missing") << QByteArray(R"({"mode":0,"term":"x"})") << false;
    }

    void requestBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        const std::optional<LookupRequest> request = LookupRequest::fromBytes(bytes);
        QCOMPARE(request.has_value(), valid);
        if (valid)
            QCOMPARE(request->toBytes(), bytes);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
