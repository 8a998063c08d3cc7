#include "Glyphs.h"

#include "Palette.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

using Ink = Palette::Ink;
using Painter = void (*)(QPainter&, const Ink&);

void arrow(QPainter& p, const Ink& c, bool left)
{
    QPainterPath path;
    const qreal tip = left ? 2 : 14;
    const qreal base = left ? 9 : 7;
    path.moveTo(tip, 8);
    path.lineTo(base, 2);
    path.lineTo(base, 5);
    path.lineTo(left ? 14 : 2, 5);
    path.lineTo(left ? 14 : 2, 11);
    path.lineTo(base, 11);
    path.lineTo(base, 14);
    path.closeSubpath();
    p.setPen(QPen(c.line.darker(), 1));
    p.setBrush(c.fill);
    p.drawPath(path);
}

void page(QPainter& p, const Ink& c)
{
    p.setPen(QPen(c.line, 1));
    p.setBrush(c.paper);
    p.drawRect(QRectF(3.5, 1.5, 9, 13));
}

void cross(QPainter& p, const Ink& c, QRectF box)
{
    p.setPen(QPen(c.accent, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(box.topLeft(), box.bottomRight());
    p.drawLine(box.topRight(), box.bottomLeft());
}

void printer(QPainter& p, const Ink& c)
{
    p.setPen(QPen(c.line, 1));
    p.setBrush(c.paper);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(QColor(160, 160, 170));
    p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1, 1);
    p.setBrush(c.paper);
    p.drawRect(QRectF(4.5, 10.5, 7, 4));
}

void disk(QPainter& p, const Ink& c)
{
    p.setPen(QPen(c.line, 1));
    p.setBrush(QColor(70, 110, 180));
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(c.paper);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(QColor(220, 220, 225));
    p.drawRect(QRectF(3.5, 9.5, 9, 5));
}

void magnifier(QPainter& p, const Ink& c, QPointF centre)
{
    p.setPen(QPen(c.line, 1.6));
    p.setBrush(QColor(200, 225, 250));
    p.drawEllipse(centre, 3.5, 3.5);
    p.setPen(QPen(QColor(120, 80, 40), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre + QPointF(2.6, 2.6), centre + QPointF(6, 6));
}

const Painter painters[10] = {
    [](QPainter& p, const Ink& c) { arrow(p, c, true); },
    [](QPainter& p, const Ink& c) { arrow(p, c, false); },
    [](QPainter& p, const Ink& c) {
        page(p, c);
        cross(p, c, QRectF(6, 5, 7, 7));
    },
    [](QPainter& p, const Ink& c) { page(p, c); },
    [](QPainter& p, const Ink& c) { printer(p, c); },
    [](QPainter& p, const Ink& c) { disk(p, c); },
    [](QPainter& p, const Ink& c) {
        page(p, c);
        magnifier(p, c, QPointF(7, 7));
    },
    [](QPainter& p, const Ink& c) {
        p.translate(-1, 1);
        page(p, c);
        p.translate(2, -2);
        page(p, c);
        cross(p, c, QRectF(7, 4, 6, 6));
    },
    [](QPainter& p, const Ink& c) {
        p.setPen(QPen(c.line, 1));
        p.setBrush(QColor(240, 200, 80));
        p.drawRect(QRectF(1.5, 4.5, 13, 9));
    },
    [](QPainter& p, const Ink& c) { magnifier(p, c, QPointF(6, 6)); },
};

QPixmap draw(Painter painter, int size, const Ink& ink)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent); // the transparency mask
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    painter(p, ink);
    return pixmap;
}

} // namespace

namespace Glyphs {

QList<QIcon> imageList(Palette::Look look)
{
    QList<QIcon> images;
    for (const Painter painter : painters)
        images.append(QIcon(draw(painter, 16, Palette::ink(look))));
    return images;
}

QIcon loading(Palette::Look look)
{
    return QIcon(draw(
        [](QPainter& p, const Ink& c) {
            // Three quarters of a circle, its end an arrow head: a page on its way.
            p.setPen(QPen(c.fill, 2, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(2.5, 2.5, 11, 11), 90 * 16, 270 * 16);
            p.setPen(Qt::NoPen);
            p.setBrush(c.fill);
            p.drawPolygon(QPolygonF({QPointF(8, 0), QPointF(12, 2.5), QPointF(8, 5)}));
        },
        16, Palette::ink(look)));
}

QIcon blank()
{
    return QIcon(draw([](QPainter&, const Ink&) {}, 16, Palette::ink({})));
}

QIcon mainIcon()
{
    // The program's icon stands on the desktop, whatever the window's colours.
    const Ink c = Palette::ink({});
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        p.setPen(QPen(c.line, 0.8));
        p.setBrush(QColor(180, 40, 40));
        p.drawRoundedRect(QRectF(1, 1.5, 11, 13), 1.2, 1.2);
        p.setBrush(c.paper);
        p.drawRect(QRectF(2.5, 3, 8, 10));
        magnifier(p, c, QPointF(9, 8.5));
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace Glyphs
