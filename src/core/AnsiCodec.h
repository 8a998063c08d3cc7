#pragma once

#include <QByteArray>
#include <QString>

// The program's "ANSI" code page. GB18030 writes every GBK character with GBK's own
// bytes and still has bytes for everything else, so no typed character turns into '?'.
namespace AnsiCodec {
QByteArray encode(const QString& text);
QString decode(const QByteArray& bytes);
} // namespace AnsiCodec
