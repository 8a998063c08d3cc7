// The request addresses for any term: any bytes taken as the term's ANSI text.
#include "AnsiCodec.h"
#include "FuzzCheck.h"
#include "LookupAddress.h"

#include <optional>

namespace {

int hexValue(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - '0';
    if (c >= u'A' && c <= u'F')
        return c.unicode() - 'A' + 10;
    return -1; // lower-case hex is a fault too
}

bool isAlphanumeric(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// The bytes an encoded text stands for, or nothing when it holds anything but letters,
// digits, '+' and well-formed upper-case %XX escapes.
std::optional<QByteArray> decodeEscapes(QStringView encoded)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const QChar c = encoded[i];
        if (c == u'+') {
            bytes += ' ';
        } else if (isAlphanumeric(c)) {
            bytes += char(c.unicode());
        } else if (c == u'%' && i + 2 < encoded.size() && hexValue(encoded[i + 1]) >= 0
                   && hexValue(encoded[i + 2]) >= 0) {
            bytes += char(hexValue(encoded[i + 1]) * 16 + hexValue(encoded[i + 2]));
            i += 2;
        } else {
            return std::nullopt;
        }
    }
    return bytes;
}

bool isAddressSyntax(QChar c)
{
    return c == u'#' || c == u'%' || c == u'&' || c == u'+' || c == u'?';
}

// The term an encyclopaedia address carries after its prefix, or nothing when the text holds
// one of "#%&+?" bare, or an escape of anything but those five (in upper-case hex): those five
// and only they go to the engine escaped.
std::optional<QString> decodeSyntaxEscapes(QStringView encoded)
{
    QString text;
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const QChar c = encoded[i];
        if (c != u'%') {
            if (isAddressSyntax(c))
                return std::nullopt;
            text += c;
            continue;
        }
        if (i + 2 >= encoded.size() || hexValue(encoded[i + 1]) < 0
            || hexValue(encoded[i + 2]) < 0)
            return std::nullopt;
        const QChar escaped(hexValue(encoded[i + 1]) * 16 + hexValue(encoded[i + 2]));
        if (!isAddressSyntax(escaped))
            return std::nullopt;
        text += escaped;
        i += 2;
    }
    return text;
}

bool isPureAscii(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() > 127)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    FUZZ_CHECK(decodeEscapes(Lookup::UrlEncode(bytes)) == bytes);

    const QString term = AnsiCodec::decode(bytes);
    const QByteArray ansi = AnsiCodec::encode(term);
    FUZZ_CHECK(AnsiCodec::decode(ansi) == term);
    // Bytes that are all valid characters come back as they were. GB18030's own spelling
    // of the euro sign (A2 E3) becomes GBK's 0x80, and replaced bytes are gone by design.
    if (!term.contains(QChar(0xFFFD)) && !bytes.contains("\xA2\xE3"))
        FUZZ_CHECK(ansi == bytes);

    // A term is one line: no control character or line break is left, nothing else goes,
    // and a term that is one line already stays as it is.
    const QString line = Lookup::oneLineTerm(term);
    for (const QChar c : line)
        FUZZ_CHECK(c.category() != QChar::Other_Control && c != QChar(0x2028)
                   && c != QChar(0x2029));
    FUZZ_CHECK(Lookup::oneLineTerm(line) == line);
    FUZZ_CHECK(line.size() <= term.size());
    QString printable = term;
    printable.removeIf([](QChar c) {
        return c.category() == QChar::Other_Control || c == QChar(0x2028) || c == QChar(0x2029);
    });
    QString lineWithoutBreaks = line;
    lineWithoutBreaks.removeIf([&](QChar c) { return c == QLatin1Char(' '); });
    printable.removeIf([](QChar c) { return c == QLatin1Char(' '); });
    FUZZ_CHECK(lineWithoutBreaks == printable);

    const QString idiom = Lookup::idiomDictionaryAddress(term);
    FUZZ_CHECK(isPureAscii(idiom));
    FUZZ_CHECK(idiom.startsWith(Lookup::idiomDictionaryPrefix));
    FUZZ_CHECK(decodeEscapes(QStringView(idiom).mid(Lookup::idiomDictionaryPrefix.size())) == ansi);

    const QString englishChinese = Lookup::englishChineseDictionaryAddress(term);
    FUZZ_CHECK(isPureAscii(englishChinese));
    FUZZ_CHECK(englishChinese.startsWith(Lookup::englishChineseDictionaryRoot));
    FUZZ_CHECK(englishChinese.endsWith(QStringLiteral("%2F")));
    const qsizetype rootSize = Lookup::englishChineseDictionaryRoot.size();
    FUZZ_CHECK(decodeEscapes(QStringView(englishChinese).mid(rootSize)) == term.toUtf8() + '/');

    for (const Lookup::Bookshop& source : Lookup::bookshops()) {
        const QString address = Lookup::encyclopaediaAddress(source, term);
        FUZZ_CHECK(address.startsWith(source.addressPrefix));
        FUZZ_CHECK(decodeSyntaxEscapes(QStringView(address).mid(source.addressPrefix.size()))
                   == term);
    }
    return 0;
}
