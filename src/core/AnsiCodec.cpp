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
    QStringDecoder decoder("GB18030");
    return decoder.decode(bytes);
}

} // namespace

namespace AnsiCodec {

QByteArray encode(const QString& text)
{
    QByteArray result;
    qsizetype start = 0;
    for (;;) {
        const qsizetype euro = text.indexOf(QChar(euroSign), start);
        QStringEncoder encoder("GB18030");
        result += encoder.encode(QStringView(text).mid(start, (euro < 0 ? text.size() : euro) - start));
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
