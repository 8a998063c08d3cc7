#pragma once

#include <QByteArray>
#include <QString>

// The program's "ANSI" code page, GBK. GB18030 writes every GBK character with GBK's own
// bytes (the euro sign, GBK's single byte 0x80, is mapped here by hand) and still has
// bytes for everything else, so no typed character turns into '?'.
namespace AnsiCodec {
QByteArray encode(const QString& text);
QString decode(const QByteArray& bytes);
} // namespace AnsiCodec
