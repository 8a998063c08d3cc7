#include "Glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

const QColor ink(40, 70, 120);
const QColor accent(200, 60, 50);
const QColor paper(250, 250, 245);

using Painter = void (*)(QPainter&);

void arrow(QPainter& p, bool left)
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
    p.setPen(QPen(ink.darker(), 1));
    p.setBrush(QColor(70, 130, 200));
    p.drawPath(path);
}

void page(QPainter& p)
{
    p.setPen(QPen(ink, 1));
    p.setBrush(paper);
    p.drawRect(QRectF(3.5, 1.5, 9, 13));
}

void cross(QPainter& p, QRectF box)
{
    p.setPen(QPen(accent, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(box.topLeft(), box.bottomRight());
    p.drawLine(box.topRight(), box.bottomLeft());
}

void printer(QPainter& p)
{
    p.setPen(QPen(ink, 1));
    p.setBrush(paper);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(QColor(160, 160, 170));
    p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1, 1);
    p.setBrush(paper);
    p.drawRect(QRectF(4.5, 10.5, 7, 4));
}

void disk(QPainter& p)
{
    p.setPen(QPen(ink, 1));
    p.setBrush(QColor(70, 110, 180));
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(paper);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(QColor(220, 220, 225));
    p.drawRect(QRectF(3.5, 9.5, 9, 5));
}

void magnifier(QPainter& p, QPointF centre)
{
    p.setPen(QPen(ink, 1.6));
    p.setBrush(QColor(200, 225, 250));
    p.drawEllipse(centre, 3.5, 3.5);
    p.setPen(QPen(QColor(120, 80, 40), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre + QPointF(2.6, 2.6), centre + QPointF(6, 6));
}

const Painter painters[10] = {
    [](QPainter& p) { arrow(p, true); },
    [](QPainter& p) { arrow(p, false); },
    [](QPainter& p) {
        page(p);
        cross(p, QRectF(6, 5, 7, 7));
    },
    [](QPainter& p) { page(p); },
    [](QPainter& p) { printer(p); },
    [](QPainter& p) { disk(p); },
    [](QPainter& p) {
        page(p);
        magnifier(p, QPointF(7, 7));
    },
    [](QPainter& p) {
        p.translate(-1, 1);
        page(p);
        p.translate(2, -2);
        page(p);
        cross(p, QRectF(7, 4, 6, 6));
    },
    [](QPainter& p) {
        p.setPen(QPen(ink, 1));
        p.setBrush(QColor(240, 200, 80));
        p.drawRect(QRectF(1.5, 4.5, 13, 9));
    },
    [](QPainter& p) { magnifier(p, QPointF(6, 6)); },
};

QPixmap draw(Painter painter, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent); // the transparency mask
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    painter(p);
    return pixmap;
}

} // namespace

namespace Glyphs {

QList<QIcon> imageList()
{
    QList<QIcon> images;
    for (const Painter painter : painters)
        images.append(QIcon(draw(painter, 16)));
    return images;
}

QIcon loading()
{
    return QIcon(draw(
        [](QPainter& p) {
            // Three quarters of a circle, its end an arrow head: a page on its way.
            p.setPen(QPen(QColor(70, 130, 200), 2, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(2.5, 2.5, 11, 11), 90 * 16, 270 * 16);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(70, 130, 200));
            p.drawPolygon(QPolygonF({QPointF(8, 0), QPointF(12, 2.5), QPointF(8, 5)}));
        },
        16));
}

QIcon blank()
{
    return QIcon(draw([](QPainter&) {}, 16));
}

QIcon mainIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        p.setPen(QPen(ink, 0.8));
        p.setBrush(QColor(180, 40, 40));
        p.drawRoundedRect(QRectF(1, 1.5, 11, 13), 1.2, 1.2);
        p.setBrush(paper);
        p.drawRect(QRectF(2.5, 3, 8, 10));
        magnifier(p, QPointF(9, 8.5));
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace Glyphs
