#include "window/AppIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace eit::window {

namespace {
// Drawn on a 64 x 64 grid, scaled to the size asked for.
constexpr qreal kGrid = 64;

void DrawArrow(QPainter& p, const QColor& colour, const QPointF& from, const QPointF& bend, const QPointF& tip)
{
    // The head points along the curve's last stretch; the shaft ends inside it.
    QLineF back(tip, bend);
    back.setLength(12);
    QLineF left = back, right = back;
    left.setAngle(back.angle() + 30);
    right.setAngle(back.angle() - 30);
    back.setLength(8);
    QPainterPath shaft(from);
    shaft.quadTo(bend, back.p2());
    p.setPen(QPen(colour, 4.5, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shaft);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({tip, left.p2(), right.p2()}));
}
}  // namespace

QImage AppIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / kGrid, size / kGrid);

    QLinearGradient tile(0, 0, 0, kGrid);
    tile.setColorAt(0, QColor(58, 98, 150));
    tile.setColorAt(1, QColor(30, 52, 88));
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 11, 11);

    // The package: a red box with a darker lid.
    p.setBrush(QColor(204, 0, 0));
    p.drawRect(QRectF(8, 36, 28, 20));
    p.setBrush(QColor(150, 0, 0));
    p.drawRect(QRectF(6, 31, 32, 7));

    // The extracted page with its lines of text.
    p.setBrush(Qt::white);
    p.drawRect(QRectF(36, 8, 20, 25));
    p.setPen(QPen(QColor(120, 120, 120), 2));
    for (qreal y : {14.0, 19.0, 24.0}) p.drawLine(QPointF(40, y), QPointF(52, y));

    DrawArrow(p, QColor(255, 204, 0), QPointF(16, 29), QPointF(16, 12), QPointF(33, 13));  // out
    DrawArrow(p, QColor(120, 220, 120), QPointF(47, 36), QPointF(49, 51), QPointF(38, 48));  // back in
    return image;
}

QIcon AppIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(QPixmap::fromImage(AppIconImage(size)));
    return icon;
}

}  // namespace eit::window
