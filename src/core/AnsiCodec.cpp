#include "AnsiCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

// GBK writes the euro sign as the single byte 0x80, which GB18030 leaves unassigned
// (it spells the sign A2 E3); everything else GBK has is the same in both.
constexpr char16_t euroSign = 0x20AC;
constexpr char gbkEuroByte = char(0x80);

QString decodeGb18030(QByteArrayView bytes)
{
    // The converter holds back a sequence cut off at the end, waiting for more input that
    // never comes. A line feed is never part of a sequence, so one more LF makes it give a
    // replacement character for the cut-off part; the LF is taken off again.
    QStringDecoder decoder("GB18030");
    QString text = decoder.decode(bytes);
    text += decoder.decode(QByteArrayView("\n", 1));
    text.chop(1);
    return text;
}

QByteArray encodeGb18030(QStringView text)
{
    // The same for a high surrogate at the end of the text.
    QStringEncoder encoder("GB18030");
    QByteArray bytes = encoder.encode(text);
    bytes += encoder.encode(u"\n");
    bytes.chop(1);
    return bytes;
}

} // namespace

namespace AnsiCodec {

QByteArray encode(const QString& text)
{
    QByteArray result;
    qsizetype start = 0;
    for (;;) {
        const qsizetype euro = text.indexOf(QChar(euroSign), start);
        const qsizetype end = euro < 0 ? text.size() : euro;
        result += encodeGb18030(QStringView(text).mid(start, end - start));
        if (euro < 0)
            return result;
        result += gbkEuroByte;
        start = euro + 1;
    }
}

QString decode(const QByteArray& bytes)
{
    // Walk the characters so that only a 0x80 where a character starts is taken as the
    // euro sign; as the second byte of a pair it belongs to that pair.
    QString result;
    const qsizetype n = bytes.size();
    qsizetype chunkStart = 0;
    qsizetype i = 0;
    while (i < n) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == 0x80) {
            result += decodeGb18030(QByteArrayView(bytes).sliced(chunkStart, i - chunkStart));
            result += QChar(euroSign);
            chunkStart = ++i;
        } else if (byte < 0x80 || byte == 0xFF) {
            ++i;
        } else {
            const bool fourBytes = i + 1 < n && bytes[i + 1] >= '0' && bytes[i + 1] <= '9';
            i += fourBytes ? 4 : 2;
        }
    }
    result += decodeGb18030(QByteArrayView(bytes).sliced(chunkStart));
    return result;
}

} // namespace AnsiCodec
