#include "CoreTestTools.h"
#include "ProfileFile.h"

#include <QTemporaryDir>
#include <QTest>

#include <limits>

using namespace CoreTest;

using OptionalInt = std::optional<qint32>;
using OptionalBytes = std::optional<QByteArray>;
Q_DECLARE_METATYPE(OptionalInt)
Q_DECLARE_METATYPE(OptionalBytes)

namespace {

constexpr qint32 int32Min = std::numeric_limits<qint32>::min();
constexpr qint32 int32Max = std::numeric_limits<qint32>::max();

const OptionalInt noInteger;
const OptionalBytes noValue;

} // namespace

class TestProfileFile : public QObject {
    Q_OBJECT

private slots:
    void parseInteger_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<OptionalInt>("expected");

        QTest::newRow("zero") << QByteArray("0") << OptionalInt(0);
        QTest::newRow("decimal") << QByteArray("729") << OptionalInt(729);
        QTest::newRow("leading zeros") << QByteArray("000729") << OptionalInt(729);
        QTest::newRow("plus") << QByteArray("+729") << OptionalInt(729);
        QTest::newRow("minus") << QByteArray("-729") << OptionalInt(-729);
        QTest::newRow("minus zero") << QByteArray("-0") << OptionalInt(0);
        QTest::newRow("leading blanks") << QByteArray("   528") << OptionalInt(528);
        QTest::newRow("blanks before sign") << QByteArray("  -1") << OptionalInt(-1);
        QTest::newRow("largest") << QByteArray("2147483647") << OptionalInt(int32Max);
        QTest::newRow("smallest") << QByteArray("-2147483648") << OptionalInt(int32Min);
        QTest::newRow("one too large") << QByteArray("2147483648") << noInteger;
        QTest::newRow("one too small") << QByteArray("-2147483649") << noInteger;
        QTest::newRow("unsigned maximum in decimal") << QByteArray("4294967295") << noInteger;
        QTest::newRow("far too large") << QByteArray("99999999999999999999999") << noInteger;

        QTest::newRow("0x") << QByteArray("0x2D9") << OptionalInt(729);
        QTest::newRow("0X, small letters") << QByteArray("0X2d9") << OptionalInt(729);
        QTest::newRow("dollar") << QByteArray("$2D9") << OptionalInt(729);
        QTest::newRow("x") << QByteArray("x2d9") << OptionalInt(729);
        QTest::newRow("X") << QByteArray("X2D9") << OptionalInt(729);
        QTest::newRow("blanks before 0x") << QByteArray("  0x10") << OptionalInt(16);
        QTest::newRow("sign before 0x") << QByteArray("+0x10") << OptionalInt(16);
        QTest::newRow("minus dollar") << QByteArray("-$10") << OptionalInt(-16);
        QTest::newRow("hex leading zeros") << QByteArray("$0000000000001") << OptionalInt(1);
        QTest::newRow("hex largest positive") << QByteArray("$7FFFFFFF") << OptionalInt(int32Max);
        QTest::newRow("hex sign bit is a pattern")
            << QByteArray("$80000000") << OptionalInt(int32Min);
        QTest::newRow("hex all ones is -1") << QByteArray("0xFFFFFFFF") << OptionalInt(-1);
        QTest::newRow("minus hex all ones") << QByteArray("-$FFFFFFFF") << OptionalInt(1);
        QTest::newRow("hex over 32 bits") << QByteArray("$100000000") << noInteger;

        QTest::newRow("letters") << QByteArray("abc") << noInteger;
        QTest::newRow("unit after number") << QByteArray("729px") << noInteger;
        QTest::newRow("empty") << QByteArray() << noInteger;
        QTest::newRow("blanks only") << QByteArray("   ") << noInteger;
        QTest::newRow("sign only") << QByteArray("-") << noInteger;
        QTest::newRow("dollar only") << QByteArray("$") << noInteger;
        QTest::newRow("0x only") << QByteArray("0x") << noInteger;
        QTest::newRow("0X only") << QByteArray("0X") << noInteger;
        QTest::newRow("blank after number") << QByteArray("12 ") << noInteger;
        QTest::newRow("blank inside") << QByteArray("1 2") << noInteger;
        QTest::newRow("two signs") << QByteArray("+-1") << noInteger;
        QTest::newRow("sign after 0x") << QByteArray("0x-5") << noInteger;
        QTest::newRow("two prefixes") << QByteArray("$0x1") << noInteger;
        QTest::newRow("hex digit in decimal") << QByteArray("7A") << noInteger;
        QTest::newRow("hex letter past F") << QByteArray("$2G") << noInteger;
        QTest::newRow("exponent") << QByteArray("1e3") << noInteger;
        QTest::newRow("decimal point") << QByteArray("7.5") << noInteger;
        QTest::newRow("full-width digits") << QByteArray("\xA3\xB7\xA3\xB2") << noInteger;
        QTest::newRow("NUL after digits") << QByteArray("7\0" "1", 3) << noInteger;
    }

    void parseInteger()
    {
        QFETCH(QByteArray, text);
        QFETCH(OptionalInt, expected);
        QCOMPARE(Profile::parseInteger(text), expected);
    }

    // Values as they stand in a real file, through the file object: blanks, quotes and the
    // 2,047-character limit come before the conversion.
    void readInteger_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<qint32>("expected");

        QTest::newRow("plain") << QByteArray("Width=800") << 800;
        QTest::newRow("0x") << QByteArray("Width=0x2D9") << 729;
        QTest::newRow("0X") << QByteArray("Width=0X2d9") << 729;
        QTest::newRow("dollar") << QByteArray("Width=$2D9") << 729;
        QTest::newRow("abc") << QByteArray("Width=abc") << 528;
        QTest::newRow("729px") << QByteArray("Width=729px") << 528;
        QTest::newRow("nothing") << QByteArray("Width=") << 528;
        QTest::newRow("key alone") << QByteArray("Width") << 528;
        QTest::newRow("blanks and tabs around") << QByteArray("  Width \t=\t 640  \t") << 640;
        QTest::newRow("double quotes") << QByteArray("Width=\"640\"") << 640;
        QTest::newRow("single quotes") << QByteArray("Width='0x2D9'") << 729;
        QTest::newRow("blanks inside quotes") << QByteArray("Width=\" 640\"") << 640;
        QTest::newRow("unpaired quote") << QByteArray("Width=\"640") << 528;
        QTest::newRow("negative") << QByteArray("Width=-5") << -5;
        QTest::newRow("too large") << QByteArray("Width=2147483648") << 528;
        QTest::newRow("2,047 characters all seen")
            << QByteArray("Width=" + QByteArray(2044, '0') + "729") << 729;
        QTest::newRow("characters past the 2,047th unseen")
            << QByteArray("Width=" + QByteArray(2046, '0') + "729") << 7;
    }

    void readInteger()
    {
        QFETCH(QByteArray, line);
        QFETCH(qint32, expected);
        QTemporaryDir folder;
        const QString path = folder.filePath("Veritoem.ini");
        QVERIFY(writeFile(path, "[Form]\r\n" + line + "\r\n"));
        QCOMPARE(ProfileFile(path).readInteger("Form", "Width", 528), expected);
    }

    void findValue_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<OptionalBytes>("expected");

        const QByteArray form = "[Form]\r\nwidth=729\r\nHeight=528\r\n\r\n[Dictionary]\r\nID=2\r\n";
        QTest::newRow("key as written") << form << QByteArray("Form") << QByteArray("width")
                                        << OptionalBytes("729");
        QTest::newRow("key in other case") << form << QByteArray("Form") << QByteArray("Width")
                                           << OptionalBytes("729");
        QTest::newRow("section in other case") << form << QByteArray("dictionary")
                                               << QByteArray("id") << OptionalBytes("2");
        QTest::newRow("all capitals")
            << QByteArray("[FORM]\r\nWIDTH=800\r\nHEIGHT=600\r\n") << QByteArray("Form")
            << QByteArray("height") << OptionalBytes("600");
        QTest::newRow("key of another section")
            << form << QByteArray("Dictionary") << QByteArray("Width") << noValue;
        QTest::newRow("missing section") << form << QByteArray("Window") << QByteArray("Width")
                                         << noValue;
        QTest::newRow("missing key") << form << QByteArray("Form") << QByteArray("Left")
                                     << noValue;
        QTest::newRow("empty file") << QByteArray() << QByteArray("Form") << QByteArray("Width")
                                    << noValue;
        QTest::newRow("entry before any section")
            << QByteArray("Width=1\r\n[Form]\r\n") << QByteArray("Form") << QByteArray("Width")
            << noValue;
        QTest::newRow("LF line ends") << QByteArray("[Form]\nWidth=640\nHeight=480\n")
                                      << QByteArray("Form") << QByteArray("Height")
                                      << OptionalBytes("480");
        QTest::newRow("no line end at the end") << QByteArray("[Form]\r\nWidth=640")
                                                << QByteArray("Form") << QByteArray("Width")
                                                << OptionalBytes("640");
        QTest::newRow("blanks around names")
            << QByteArray("  [ Form ]  \r\n\t Width \t= 640\r\n") << QByteArray("Form")
            << QByteArray("Width") << OptionalBytes("640");
        QTest::newRow("text after the bracket") << QByteArray("[Form] old\r\nWidth=640\r\n")
                                                << QByteArray("Form") << QByteArray("Width")
                                                << OptionalBytes("640");
        QTest::newRow("extra CR before the line end")
            << QByteArray("[Form]\r\r\nWidth=640\r\r\n") << QByteArray("Form")
            << QByteArray("Width") << OptionalBytes("640");
        QTest::newRow("empty value") << QByteArray("[Form]\r\nWidth=\r\n") << QByteArray("Form")
                                     << QByteArray("Width") << OptionalBytes("");
        QTest::newRow("equals sign in the value")
            << QByteArray("[Form]\r\nWidth=a=b\r\n") << QByteArray("Form")
            << QByteArray("Width") << OptionalBytes("a=b");
        QTest::newRow("line without equals sign is no key")
            << QByteArray("[Form]\r\nWidth\r\nWidth=5\r\n") << QByteArray("Form")
            << QByteArray("Width") << OptionalBytes("5");
        QTest::newRow("first of two equal keys")
            << QByteArray("[Form]\r\nWidth=1\r\nWIDTH=2\r\n") << QByteArray("Form")
            << QByteArray("Width") << OptionalBytes("1");
        QTest::newRow("only the first section of a name counts")
            << QByteArray("[Form]\r\nHeight=1\r\n[Other]\r\n[Form]\r\nWidth=2\r\n")
            << QByteArray("Form") << QByteArray("Width") << noValue;
        QTest::newRow("section after another") << form << QByteArray("Dictionary")
                                               << QByteArray("ID") << OptionalBytes("2");
        QTest::newRow("double quotes") << QByteArray("[S]\r\nk=\"a b\"\r\n") << QByteArray("S")
                                       << QByteArray("k") << OptionalBytes("a b");
        QTest::newRow("single quotes") << QByteArray("[S]\r\nk='a b'\r\n") << QByteArray("S")
                                       << QByteArray("k") << OptionalBytes("a b");
        QTest::newRow("blanks kept inside quotes") << QByteArray("[S]\r\nk=\" a \"\r\n")
                                                   << QByteArray("S") << QByteArray("k")
                                                   << OptionalBytes(" a ");
        QTest::newRow("one pair of quotes only") << QByteArray("[S]\r\nk=\"\"a\"\"\r\n")
                                                 << QByteArray("S") << QByteArray("k")
                                                 << OptionalBytes("\"a\"");
        QTest::newRow("empty quotes") << QByteArray("[S]\r\nk=\"\"\r\n") << QByteArray("S")
                                      << QByteArray("k") << OptionalBytes("");
        QTest::newRow("mixed quotes stay") << QByteArray("[S]\r\nk=\"a'\r\n") << QByteArray("S")
                                           << QByteArray("k") << OptionalBytes("\"a'");
        QTest::newRow("lone quote stays") << QByteArray("[S]\r\nk=\"\r\n") << QByteArray("S")
                                          << QByteArray("k") << OptionalBytes("\"");
        QTest::newRow("GBK bytes") << QByteArray("[S]\r\nk=\xB0\xD9\xBF\xC6\r\n")
                                   << QByteArray("S") << QByteArray("k")
                                   << OptionalBytes("\xB0\xD9\xBF\xC6");
        QTest::newRow("value cut at 2,047 characters")
            << QByteArray("[S]\r\nk=" + QByteArray(3000, 'v') + "\r\n") << QByteArray("S")
            << QByteArray("k") << OptionalBytes(QByteArray(2047, 'v'));
        QTest::newRow("value of 2,047 characters whole")
            << QByteArray("[S]\r\nk=" + QByteArray(2046, 'v') + "w\r\n") << QByteArray("S")
            << QByteArray("k") << OptionalBytes(QByteArray(2046, 'v') + 'w');
        QTest::newRow("quotes go before the cut")
            << QByteArray("[S]\r\nk=\"" + QByteArray(2047, 'v') + "\"\r\n") << QByteArray("S")
            << QByteArray("k") << OptionalBytes(QByteArray(2047, 'v'));
    }

    void findValue()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, section);
        QFETCH(QByteArray, key);
        QFETCH(OptionalBytes, expected);
        QCOMPARE(Profile::findValue(content, section, key), expected);
    }

    // Writing one value keeps every other line as it was and reads back.
    void withValue_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("new file") << QByteArray() << QByteArray("Form") << QByteArray("width")
                                  << QByteArray("729") << QByteArray("[Form]\r\nwidth=729\r\n");
        QTest::newRow("replace, key in other case")
            << QByteArray("[Form]\r\nWidth=1\r\nHeight=2\r\n") << QByteArray("FORM")
            << QByteArray("width") << QByteArray("729")
            << QByteArray("[Form]\r\nwidth=729\r\nHeight=2\r\n");
        QTest::newRow("add to a section followed by another")
            << QByteArray("[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n") << QByteArray("A")
            << QByteArray("z") << QByteArray("3")
            << QByteArray("[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n");
        QTest::newRow("add to an empty section")
            << QByteArray("[A]\r\n[B]\r\ny=2\r\n") << QByteArray("A") << QByteArray("z")
            << QByteArray("3") << QByteArray("[A]\r\nz=3\r\n[B]\r\ny=2\r\n");
        QTest::newRow("new section after a blank line")
            << QByteArray("[A]\r\nx=1\r\n") << QByteArray("B") << QByteArray("y")
            << QByteArray("2") << QByteArray("[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
        QTest::newRow("no second blank line")
            << QByteArray("[A]\r\nx=1\r\n\r\n") << QByteArray("B") << QByteArray("y")
            << QByteArray("2") << QByteArray("[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
        QTest::newRow("LF file comes back with CR LF")
            << QByteArray("[A]\nx=1\n") << QByteArray("A") << QByteArray("x")
            << QByteArray("5") << QByteArray("[A]\r\nx=5\r\n");
        QTest::newRow("last line without line end")
            << QByteArray("[A]\r\nx=1") << QByteArray("A") << QByteArray("y")
            << QByteArray("2") << QByteArray("[A]\r\nx=1\r\ny=2\r\n");
        QTest::newRow("other lines kept byte for byte")
            << QByteArray("; note\r\n[A]\r\n  x = \"1\" \r\njunk line\r\n\r\n")
            << QByteArray("A") << QByteArray("y") << QByteArray("2")
            << QByteArray("; note\r\n[A]\r\n  x = \"1\" \r\ny=2\r\njunk line\r\n\r\n");
        QTest::newRow("first section of the name")
            << QByteArray("[A]\r\n[B]\r\n[A]\r\nx=1\r\n") << QByteArray("a")
            << QByteArray("x") << QByteArray("2")
            << QByteArray("[A]\r\nx=2\r\n[B]\r\n[A]\r\nx=1\r\n");
        QTest::newRow("negative number") << QByteArray("[Dictionary]\r\nID=0\r\n")
                                         << QByteArray("Dictionary") << QByteArray("ID")
                                         << QByteArray("-1")
                                         << QByteArray("[Dictionary]\r\nID=-1\r\n");
    }

    void withValue()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, section);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, value);
        QFETCH(QByteArray, expected);
        const QByteArray written = Profile::withValue(content, section, key, value);
        QCOMPARE(written, expected);
        QCOMPARE(Profile::findValue(written, section, key), OptionalBytes(value));
    }

    // What the close sequence writes into a folder with no settings file, read back the
    // way start-up reads it; a second close replaces the values in place.
    void firstRunFileReadsBack()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("Veritoem.ini");
        ProfileFile reader(path);
        QCOMPARE(reader.readInteger("Form", "Width", 729), 729);
        QCOMPARE(entries(folder.path()), QStringList());

        ProfileFile settings(path);
        settings.writeInteger("Form", "width", 729);
        settings.writeInteger("Form", "Height", 528);
        settings.writeInteger("Dictionary", "ID", 0);
        QCOMPARE(readFile(path),
                 QByteArray("[Form]\r\nwidth=729\r\nHeight=528\r\n\r\n[Dictionary]\r\nID=0\r\n"));
        QCOMPARE(reader.readInteger("Form", "Width", 1), 729);
        QCOMPARE(reader.readInteger("Form", "height", 1), 528);
        QCOMPARE(reader.readInteger("Dictionary", "ID", 1), 0);

        settings.writeInteger("Form", "width", 1024);
        settings.writeInteger("Form", "Height", 768);
        settings.writeInteger("Dictionary", "ID", -1);
        QCOMPARE(readFile(path),
                 QByteArray("[Form]\r\nwidth=1024\r\nHeight=768\r\n\r\n[Dictionary]\r\nID=-1\r\n"));
        QCOMPARE(reader.readInteger("Dictionary", "ID", 0), -1);
        QCOMPARE(entries(folder.path()), QStringList{"Veritoem.ini"});
    }

    void writeStringKeepsTheValueExact()
    {
        QTemporaryDir folder;
        ProfileFile settings(folder.filePath("Veritoem.ini"));
        const QByteArray value = "\xB0\xD9\xBF\xC6 = x";
        settings.writeString("S", "k", value);
        QCOMPARE(settings.readString("S", "k"), OptionalBytes(value));
        QCOMPARE(settings.readString("S", "other"), noValue);
    }

    void failedWrite_data()
    {
        QTest::addColumn<bool>("folderAtFilePath");
        QTest::newRow("a folder where the file should be") << true;
        QTest::newRow("a file where the folder should be") << false;
    }

    void failedWrite()
    {
        QFETCH(bool, folderAtFilePath);
        QTemporaryDir folder;
        QString path;
        QString keptPath;
        if (folderAtFilePath) {
            path = folder.filePath("Veritoem.ini");
            QVERIFY(QDir(folder.path()).mkdir("Veritoem.ini"));
            keptPath = QDir(path).filePath("inside.txt");
        } else {
            keptPath = folder.filePath("app");
            path = QDir(keptPath).filePath("Veritoem.ini");
        }
        const QByteArray kept = "[Form]\r\nwidth=1\r\n";
        QVERIFY(writeFile(keptPath, kept));
        const QStringList before = entries(folder.path());

        ProfileFile settings(path);
        const QString error = errorOf([&] { settings.writeInteger("Form", "width", 729); });
        QVERIFY2(!error.isNull(), "the write reported success");
        QVERIFY2(error.contains(path), qPrintable(error));
        QCOMPARE(readFile(keptPath), kept);
        QCOMPARE(entries(folder.path()), before);
        QCOMPARE(settings.readInteger("Form", "width", 5), 5);
    }

    // A write that runs out of room leaves the previous file complete and no stray file.
    void writeOnFullDiskLeavesTheOldFile()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("Veritoem.ini");
        const QByteArray old = "[Form]\r\nwidth=729\r\nHeight=528\r\n";
        QVERIFY(writeFile(path, old));
        ProfileFile settings(path);
        QString error;
        {
            FileSizeLimit full(old.size());
            QVERIFY(full.active());
            error = errorOf([&] { settings.writeString("Form", "width", QByteArray(100, '7')); });
        }
        QVERIFY2(!error.isNull(), "the write reported success");
        QCOMPARE(readFile(path), old);
        QCOMPARE(entries(folder.path()), QStringList{"Veritoem.ini"});
    }
};

QTEST_APPLESS_MAIN(TestProfileFile)
#include "tst_profilefile.moc"
