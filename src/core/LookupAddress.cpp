#include "LookupAddress.h"

#include "AnsiCodec.h"

namespace Lookup {

QStringList modeTexts()
{
    return {encyclopaediaModeText, idiomModeText, englishChineseModeText};
}

Mode modeFromText(const QString& modeBoxText)
{
    if (modeBoxText == idiomModeText)
        return Mode::IdiomDictionary;
    if (modeBoxText == englishChineseModeText)
        return Mode::EnglishChineseDictionary;
    return Mode::Encyclopaedia;
}

QList<Bookshop> bookshops()
{
    return {
        {QStringLiteral("维基百科（中文）"), QStringLiteral("http://zh.wikipedia.org/zh-cn/")},
        {QStringLiteral("百度百科（中文）"),
         QStringLiteral("http://baike.baidu.com/list-php/dispose/searchword.php/?&pic=1&word=")},
        {QStringLiteral("互动百科（中文）"), QStringLiteral("http://www.baike.com/wiki/")},
        {QStringLiteral("不列颠百科（英文）"),
         QStringLiteral("http://www.britannica.com/search?ct=&query=")},
        {QStringLiteral("哥伦比亚百科（英文）"),
         QStringLiteral("http://www.infoplease.com/search?fr=iptn&in=all&x=18&y=1&query=")},
    };
}

QString UrlEncode(const QByteArray& bytes)
{
    static const char hexDigits[] = "0123456789ABCDEF";
    QString result;
    result.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == ' ') {
            result += QLatin1Char('+');
        } else if ((byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z')
                   || (byte >= 'a' && byte <= 'z')) {
            result += QLatin1Char(char(byte));
        } else {
            result += QLatin1Char('%');
            result += QLatin1Char(hexDigits[byte >> 4]);
            result += QLatin1Char(hexDigits[byte & 0x0F]);
        }
    }
    return result;
}

QString encyclopaediaAddress(const Bookshop& source, const QString& term)
{
    // Only the characters the engine would read as address syntax are escaped; every other
    // character goes to the engine as typed. None of the five can be the second byte of a
    // GBK character, so escaping them as characters escapes exactly those bytes.
    QString address = source.addressPrefix;
    address.reserve(address.size() + term.size() * 3);
    for (const QChar c : term) {
        switch (c.unicode()) {
        case '#':
        case '%':
        case '&':
        case '+':
        case '?':
            address += QLatin1Char('%');
            address += QString::number(c.unicode(), 16).toUpper();
            break;
        default:
            address += c;
        }
    }
    return address;
}

QString idiomDictionaryAddress(const QString& term)
{
    return idiomDictionaryPrefix + UrlEncode(AnsiCodec::encode(term));
}

QString englishChineseDictionaryAddress(const QString& term)
{
    return englishChineseDictionaryRoot + UrlEncode(term.toUtf8() + '/');
}

QString oneLineTerm(const QString& text)
{
    QString line;
    line.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        switch (c) {
        case u'\r':
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            line.append(QLatin1Char(' '));
            continue;
        case u'\n':
        case u'\t':
        case u'\v':
        case u'\f':
        case 0x85:   // next line
        case 0x2028: // line separator
        case 0x2029: // paragraph separator
            line.append(QLatin1Char(' '));
            continue;
        default:
            if (text[i].category() == QChar::Other_Control)
                continue;
            line.append(text[i]);
        }
    }
    return line;
}

bool isBlankTerm(const QByteArray& termBytes)
{
    for (const char c : termBytes)
        if (static_cast<unsigned char>(c) > 32)
            return false;
    return true;
}

} // namespace Lookup
