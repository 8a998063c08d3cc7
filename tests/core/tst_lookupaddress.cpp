#include "LookupAddress.h"

#include <QTest>

Q_DECLARE_METATYPE(Lookup::Mode)

namespace {

bool isPureAscii(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() > 127)
            return false;
    return true;
}

QString repeated(const QString& text, int times)
{
    QString result;
    for (int i = 0; i < times; ++i)
        result += text;
    return result;
}

} // namespace

class TestLookupAddress : public QObject {
    Q_OBJECT

private slots:
    void UrlEncode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");

        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("letters and digits as they are")
            << QByteArray("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")
            << QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        QTest::newRow("blank") << QByteArray(" a  b ") << QStringLiteral("+a++b+");
        QTest::newRow("plus") << QByteArray("1+1") << QStringLiteral("1%2B1");
        QTest::newRow("percent") << QByteArray("%41") << QStringLiteral("%2541");
        QTest::newRow("unreserved marks escaped too")
            << QByteArray("-._~*/") << QStringLiteral("%2D%2E%5F%7E%2A%2F");
        QTest::newRow("all punctuation")
            << QByteArray("!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~")
            << QStringLiteral("%21%22%23%24%25%26%27%28%29%2A%2B%2C%2D%2E%2F%3A%3B%3C%3D%3E"
                              "%3F%40%5B%5C%5D%5E%5F%60%7B%7C%7D%7E");
        QTest::newRow("control bytes") << QByteArray("\0\x01\t\n\r\x1F\x7F", 7)
                                       << QStringLiteral("%00%01%09%0A%0D%1F%7F");
        QTest::newRow("bytes 128 to 255, upper-case hex")
            << QByteArray("\x80\x9F\xA0\xAB\xCD\xEF\xFF")
            << QStringLiteral("%80%9F%A0%AB%CD%EF%FF");
        QTest::newRow("GBK") << QByteArray("\xB0\xD9\xBF\xC6")
                             << QStringLiteral("%B0%D9%BF%C6");
    }

    void UrlEncode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QCOMPARE(Lookup::UrlEncode(bytes), expected);
    }

    // Each of the 256 byte values on its own: kept, '+', or exactly %XX in upper case.
    void UrlEncodeEveryByte()
    {
        for (int value = 0; value < 256; ++value) {
            const QByteArray byte(1, char(value));
            const QString encoded = Lookup::UrlEncode(byte);
            const bool alphanumeric = (value >= '0' && value <= '9')
                || (value >= 'A' && value <= 'Z') || (value >= 'a' && value <= 'z');
            QString expected;
            if (value == ' ')
                expected = QStringLiteral("+");
            else if (alphanumeric)
                expected = QLatin1String(byte);
            else
                expected = '%' + QString::fromLatin1(byte.toHex().toUpper());
            QVERIFY2(encoded == expected, qPrintable(QStringLiteral("byte %1 gave %2")
                                                         .arg(value)
                                                         .arg(encoded)));
        }
    }

    void bookshops()
    {
        const QList<Lookup::Bookshop> sources = Lookup::bookshops();
        QCOMPARE(sources.size(), 5);
        const QStringList names = {
            QStringLiteral("维基百科（中文）"), QStringLiteral("百度百科（中文）"),
            QStringLiteral("互动百科（中文）"), QStringLiteral("不列颠百科（英文）"),
            QStringLiteral("哥伦比亚百科（英文）"),
        };
        const QStringList prefixes = {
            QStringLiteral("http://zh.wikipedia.org/zh-cn/"),
            QStringLiteral("http://baike.baidu.com/list-php/dispose/searchword.php/?&pic=1&word="),
            QStringLiteral("http://www.baike.com/wiki/"),
            QStringLiteral("http://www.britannica.com/search?ct=&query="),
            QStringLiteral("http://www.infoplease.com/search?fr=iptn&in=all&x=18&y=1&query="),
        };
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(sources[i].displayName, names[i]);
            QCOMPARE(sources[i].addressPrefix, prefixes[i]);
        }
    }

    void dictionaryPrefixes()
    {
        QCOMPARE(Lookup::idiomDictionaryPrefix,
                 QStringLiteral("http://cy.5156edu.com/serach.php?f_type=chengyu&f_key="));
        QCOMPARE(Lookup::englishChineseDictionaryRoot, QStringLiteral("http://www.iciba.com/"));
        QCOMPARE(Lookup::advertisingPrefix, QStringLiteral("http://pagead2.googlesyndication.com"));
    }

    // What follows the prefix in each mode. The encyclopaedias take the term as typed, but
    // for the five characters that are address syntax; the
    // idiom dictionary its GBK bytes escaped; the English–Chinese dictionary its UTF-8
    // bytes and a slash, escaped.
    void addresses_data()
    {
        QTest::addColumn<QString>("term");
        QTest::addColumn<QString>("encyclopaedia");
        QTest::addColumn<QString>("idiom");
        QTest::addColumn<QString>("englishChinese");

        QTest::newRow("a b") << QStringLiteral("a b") << QStringLiteral("a b")
                             << QStringLiteral("a+b") << QStringLiteral("a+b%2F");
        QTest::newRow("百科") << QStringLiteral("百科") << QStringLiteral("百科")
                            << QStringLiteral("%B0%D9%BF%C6")
                            << QStringLiteral("%E7%99%BE%E7%A7%91%2F");
        QTest::newRow("1+1") << QStringLiteral("1+1") << QStringLiteral("1%2B1")
                             << QStringLiteral("1%2B1") << QStringLiteral("1%2B1%2F");
        // The five characters an address would read as its own syntax, and no others.
        QTest::newRow("an escape typed as a term stays text")
            << QStringLiteral("%41%2B") << QStringLiteral("%2541%252B")
            << QStringLiteral("%2541%252B") << QStringLiteral("%2541%252B%2F");
        QTest::newRow("the five among Chinese and blanks")
            << QStringLiteral(" 百#科&?+% ") << QStringLiteral(" 百%23科%26%3F%2B%25 ")
            << QStringLiteral("+%B0%D9%23%BF%C6%26%3F%2B%25+")
            << QStringLiteral("+%E7%99%BE%23%E7%A7%91%26%3F%2B%25+%2F");
        QTest::newRow("every other mark as typed")
            << QStringLiteral("!\"$'()*,-./:;<=>@[\\]^_`{|}~")
            << QStringLiteral("!\"$'()*,-./:;<=>@[\\]^_`{|}~")
            << QStringLiteral("%21%22%24%27%28%29%2A%2C%2D%2E%2F%3A%3B%3C%3D%3E%40%5B%5C%5D%5E%5F%60%7B%7C%7D%7E")
            << QStringLiteral("%21%22%24%27%28%29%2A%2C%2D%2E%2F%3A%3B%3C%3D%3E%40%5B%5C%5D%5E%5F%60%7B%7C%7D%7E%2F");
        QTest::newRow("blanks kept at both ends")
            << QStringLiteral("  成语 ") << QStringLiteral("  成语 ")
            << QStringLiteral("++%B3%C9%D3%EF+") << QStringLiteral("++%E6%88%90%E8%AF%AD+%2F");
        QTest::newRow("marks") << QStringLiteral("a-b.c_d~e*f/g") << QStringLiteral("a-b.c_d~e*f/g")
                               << QStringLiteral("a%2Db%2Ec%5Fd%7Ee%2Af%2Fg")
                               << QStringLiteral("a%2Db%2Ec%5Fd%7Ee%2Af%2Fg%2F");
        QTest::newRow("full-width brackets")
            << QStringLiteral("（中文）") << QStringLiteral("（中文）")
            << QStringLiteral("%A3%A8%D6%D0%CE%C4%A3%A9")
            << QStringLiteral("%EF%BC%88%E4%B8%AD%E6%96%87%EF%BC%89%2F");
        QTest::newRow("euro sign, GBK's single byte") << QStringLiteral("5€") << QStringLiteral("5€")
                                                      << QStringLiteral("5%80")
                                                      << QStringLiteral("5%E2%82%AC%2F");
        QTest::newRow("emoji outside GBK")
            << QStringLiteral("😀") << QStringLiteral("😀") << QStringLiteral("%949%FC6")
            << QStringLiteral("%F0%9F%98%80%2F");
        QTest::newRow("empty term") << QString() << QString() << QString()
                                    << QStringLiteral("%2F");
        QTest::newRow("2,000 characters")
            << repeated(QStringLiteral("百a"), 1000) << repeated(QStringLiteral("百a"), 1000)
            << repeated(QStringLiteral("%B0%D9a"), 1000)
            << repeated(QStringLiteral("%E7%99%BEa"), 1000) + QStringLiteral("%2F");
    }

    void addresses()
    {
        QFETCH(QString, term);
        QFETCH(QString, encyclopaedia);
        QFETCH(QString, idiom);
        QFETCH(QString, englishChinese);

        for (const Lookup::Bookshop& source : Lookup::bookshops())
            QCOMPARE(Lookup::encyclopaediaAddress(source, term), source.addressPrefix + encyclopaedia);

        const QString idiomAddress = Lookup::idiomDictionaryAddress(term);
        QCOMPARE(idiomAddress, Lookup::idiomDictionaryPrefix + idiom);
        QVERIFY(isPureAscii(idiomAddress));

        const QString englishChineseAddress = Lookup::englishChineseDictionaryAddress(term);
        QCOMPARE(englishChineseAddress, Lookup::englishChineseDictionaryRoot + englishChinese);
        QVERIFY(isPureAscii(englishChineseAddress));
        QVERIFY(englishChineseAddress.endsWith(QStringLiteral("%2F")));
    }

    void modeFromText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Lookup::Mode>("mode");

        QTest::newRow("encyclopaedia") << QStringLiteral("百科全书") << Lookup::Mode::Encyclopaedia;
        QTest::newRow("idiom") << QStringLiteral("成语词典") << Lookup::Mode::IdiomDictionary;
        QTest::newRow("English-Chinese")
            << QStringLiteral("英汉汉英词典") << Lookup::Mode::EnglishChineseDictionary;
        QTest::newRow("nothing selected") << QString() << Lookup::Mode::Encyclopaedia;
        QTest::newRow("trailing blank") << QStringLiteral("成语词典 ") << Lookup::Mode::Encyclopaedia;
        QTest::newRow("part of the name") << QStringLiteral("英汉") << Lookup::Mode::Encyclopaedia;
    }

    void modeFromText()
    {
        QFETCH(QString, text);
        QFETCH(Lookup::Mode, mode);
        QCOMPARE(Lookup::modeFromText(text), mode);
    }

    void modeTextsInBoxOrder()
    {
        const QStringList texts = Lookup::modeTexts();
        QCOMPARE(texts, (QStringList{QStringLiteral("百科全书"), QStringLiteral("成语词典"),
                                     QStringLiteral("英汉汉英词典")}));
        QCOMPARE(Lookup::modeFromText(texts[1]), Lookup::Mode::IdiomDictionary);
        QCOMPARE(Lookup::modeFromText(texts[2]), Lookup::Mode::EnglishChineseDictionary);
    }

    void isBlankTerm_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("blank");

        QTest::newRow("nothing") << QByteArray() << true;
        QTest::newRow("blanks") << QByteArray("   ") << true;
        QTest::newRow("control bytes") << QByteArray("\t\r\n\x01\x1F", 5) << true;
        QTest::newRow("NUL") << QByteArray("\0", 1) << true;
        QTest::newRow("letter between blanks") << QByteArray(" a ") << false;
        QTest::newRow("DEL is no blank") << QByteArray("\x7F") << false;
        QTest::newRow("full-width blank is a character") << QByteArray("\xA1\xA1") << false;
    }

    void isBlankTerm()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, blank);
        QCOMPARE(Lookup::isBlankTerm(bytes), blank);
    }

    void oneLineTerm_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("term");

        QTest::newRow("line feed") << QStringLiteral("第一行\n第二行") << QStringLiteral("第一行 第二行");
        QTest::newRow("CR LF is one break") << QStringLiteral("a\r\nb") << QStringLiteral("a b");
        QTest::newRow("LF CR is two") << QStringLiteral("a\n\rb") << QStringLiteral("a  b");
        QTest::newRow("lone CR, tab, trailing break")
            << QStringLiteral("a\rb\tc\n") << QStringLiteral("a b c ");
        QTest::newRow("Unicode line and paragraph separators")
            << QStringLiteral("a\u2028b\u2029c\u0085d") << QStringLiteral("a b c d");
        QTest::newRow("other controls dropped")
            << QStringLiteral("ab\x01" "c\x07" "d\te\x1b" "f\x7f" "g\u009bh")
            << QStringLiteral("abcd efgh");
        QTest::newRow("blanks kept untrimmed")
            << QStringLiteral("  a  ") << QStringLiteral("  a  ");
        QTest::newRow("full-width blank is text")
            << QStringLiteral("\u3000") << QStringLiteral("\u3000");
    }

    void oneLineTerm()
    {
        QFETCH(QString, text);
        QFETCH(QString, term);
        QCOMPARE(Lookup::oneLineTerm(text), term);
    }
};

QTEST_APPLESS_MAIN(TestLookupAddress)
#include "tst_lookupaddress.moc"
