#include "AnsiCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace AnsiCodec {

QByteArray encode(const QString& text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

QString decode(const QByteArray& bytes)
{
    QStringDecoder decoder("GB18030");
    return decoder.decode(bytes);
}

} // namespace AnsiCodec
