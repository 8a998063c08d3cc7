#include "AnsiCodec.h"

#include <QTest>

#include <iconv.h>

namespace {

// The system's own code page 936 table, as the reference for what GBK means.
class Cp936 {
public:
    Cp936() : m_cd(iconv_open("UTF-16LE", "CP936")) {}
    ~Cp936()
    {
        if (isValid())
            iconv_close(m_cd);
    }
    Cp936(const Cp936&) = delete;
    Cp936& operator=(const Cp936&) = delete;

    bool isValid() const { return m_cd != iconv_t(-1); }

    // The character the bytes stand for, or nothing when the code page leaves them unassigned.
    std::optional<QString> decode(QByteArray bytes)
    {
        char16_t out[4];
        char* in = bytes.data();
        size_t inLeft = size_t(bytes.size());
        char* outPointer = reinterpret_cast<char*>(out);
        size_t outLeft = sizeof out;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(m_cd, &in, &inLeft, &outPointer, &outLeft) == size_t(-1) || inLeft != 0)
            return std::nullopt;
        return QString::fromUtf16(out, qsizetype((sizeof out - outLeft) / 2));
    }

private:
    iconv_t m_cd;
};

} // namespace

class TestAnsiCodec : public QObject {
    Q_OBJECT

private slots:
    // Every character of GBK is written with GBK's own bytes and read back from them.
    void everyGbkCharacterKeepsItsBytes()
    {
        Cp936 cp936;
        QVERIFY2(cp936.isValid(), "no CP936 converter on this system");
        int characters = 0;
        QStringList wrong;
        for (int first = 0x80; first <= 0xFE; ++first) {
            for (int second = 0x40; second <= 0xFE; ++second) {
                if (second == 0x7F)
                    continue;
                QByteArray bytes(1, char(first));
                if (first != 0x80)
                    bytes += char(second);
                else if (second != 0x40)
                    break;
                const std::optional<QString> character = cp936.decode(bytes);
                if (!character)
                    continue;
                ++characters;
                if (AnsiCodec::encode(*character) != bytes
                    || AnsiCodec::decode(bytes) != *character)
                    wrong.append(QString::fromLatin1(bytes.toHex()));
            }
        }
        QVERIFY2(characters > 21000, qPrintable(QString::number(characters)));
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(' ')));
    }

    void text_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("empty") << QString() << QByteArray();
        QTest::newRow("ASCII") << QStringLiteral("a b+1") << QByteArray("a b+1");
        QTest::newRow("GBK") << QStringLiteral("百科全书")
                             << QByteArray("\xB0\xD9\xBF\xC6\xC8\xAB\xCA\xE9");
        QTest::newRow("euro signs between others")
            << QStringLiteral("€百€€a€") << QByteArray("\x80\xB0\xD9\x80\x80" "a\x80");
        QTest::newRow("emoji outside GBK")
            << QStringLiteral("a😀b") << QByteArray("a\x94\x39\xFC\x36" "b");
        QTest::newRow("Korean outside GBK") << QStringLiteral("한") << QByteArray("\x83\x36\x84\x33");
        QTest::newRow("NUL") << QString(QChar(0)) << QByteArray(1, '\0');
    }

    void text()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(AnsiCodec::encode(text), bytes);
        QCOMPARE(AnsiCodec::decode(bytes), text);
    }

    void loneSurrogateAtTheEndIsNotDropped()
    {
        const QByteArray bytes = AnsiCodec::encode(QStringLiteral("a") + QChar(0xD83D));
        QCOMPARE(bytes.left(1), QByteArray("a"));
        QCOMPARE(bytes.size(), 2);
    }

    // 0x80 is the euro sign only where a character starts; as a second byte it belongs to
    // its pair. Broken sequences come out as replacement characters, never as nothing.
    void decodeSequences_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");

        QTest::newRow("second byte of a pair") << QByteArray("\x81\x80") << QStringLiteral("亐");
        QTest::newRow("after a pair") << QByteArray("\x81\x80\x80") << QStringLiteral("亐€");
        QTest::newRow("after a four-byte character")
            << QByteArray("\x94\x39\xFC\x36\x80") << QStringLiteral("😀€");
        QTest::newRow("after an invalid byte") << QByteArray("\xFF\x80")
                                               << QStringLiteral("\uFFFD€");
        QTest::newRow("half a character at the end is not dropped")
            << QByteArray("a\xB0") << QStringLiteral("a\uFFFD");
        QTest::newRow("cut-off lead byte at the end") << QByteArray("\x80\xB0")
                                                      << QStringLiteral("€\uFFFD");
    }

    void decodeSequences()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(AnsiCodec::decode(bytes), text);
    }
};

QTEST_APPLESS_MAIN(TestAnsiCodec)
#include "tst_ansicodec.moc"
