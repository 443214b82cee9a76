#include "window/ToolbarImages.h"

#include <QPainter>
#include <QPainterPath>

namespace eit::window {

namespace {
const QColor kRed(204, 0, 0);
const QColor kBlue(0, 64, 192);
const QColor kNavy(0, 0, 128);
const QColor kGrey(128, 128, 128);

// The colours of one form: the coloured picture, or every stroke in grey and
// no fills for the disabled one.
struct Ink {
    bool grey;
    QPen Line(const QColor& colour, qreal width = 1.0) const
    {
        return QPen(grey ? kGrey : colour, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    }
    QBrush Fill(const QColor& colour) const { return grey ? QBrush(Qt::NoBrush) : QBrush(colour); }
};

// A stack of three sheets on a red base.
void DrawAddFiles(QPainter& p, const Ink& ink)
{
    p.setPen(ink.Line(Qt::black));
    p.setBrush(ink.Fill(kRed));
    p.drawRect(QRectF(1.5, 11.5, 13, 3));
    p.setBrush(ink.Fill(Qt::white));
    for (int i = 0; i < 3; ++i) p.drawRect(QRectF(6.5 - 2 * i, 1.5 + 2 * i, 7, 8 - 2 * i));
}

// A diskette: body, shutter and label.
void DrawSaveList(QPainter& p, const Ink& ink)
{
    p.setPen(ink.Line(Qt::black));
    p.setBrush(ink.Fill(kNavy));
    QPainterPath body;
    body.moveTo(1.5, 1.5);
    body.lineTo(12.5, 1.5);
    body.lineTo(14.5, 3.5);
    body.lineTo(14.5, 14.5);
    body.lineTo(1.5, 14.5);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(ink.Fill(Qt::white));
    p.drawRect(QRectF(3.5, 1.5, 8, 5));
    p.setBrush(ink.Fill(QColor(192, 192, 192)));
    p.drawRect(QRectF(4.5, 9.5, 7, 5));
    p.setBrush(ink.Fill(kNavy));
    p.drawRect(QRectF(5.5, 10.5, 2, 3));
}

// An arrow along the line y from fromX to its tip at tipX.
void DrawArrow(QPainter& p, const Ink& ink, const QColor& colour, qreal fromX, qreal tipX, qreal y)
{
    qreal dir = tipX < fromX ? -1 : 1;
    p.setPen(ink.Line(colour, 3));
    p.drawLine(QPointF(fromX, y), QPointF(tipX - dir * 4, y));
    p.setPen(ink.Line(colour));
    p.setBrush(ink.Fill(colour));
    QPolygonF head;
    head << QPointF(tipX, y) << QPointF(tipX - dir * 6, y - 5) << QPointF(tipX - dir * 6, y + 5);
    p.drawPolygon(head);
}

// A blue arrow pointing left, leaving red dashes behind it.
void DrawRemove(QPainter& p, const Ink& ink)
{
    DrawArrow(p, ink, kBlue, 10, 1, 8);
    p.setPen(ink.Line(kRed, 2));
    for (qreal x : {11.0, 14.0}) {
        p.drawLine(QPointF(x, 5), QPointF(x + 1.5, 5));
        p.drawLine(QPointF(x, 8), QPointF(x + 1.5, 8));
        p.drawLine(QPointF(x, 11), QPointF(x + 1.5, 11));
    }
}

// A red circular arrow.
void DrawProcess(QPainter& p, const Ink& ink)
{
    p.setPen(ink.Line(kRed, 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(2.5, 2.5, 11, 11), 60 * 16, 270 * 16);
    p.setPen(ink.Line(kRed));
    p.setBrush(ink.Fill(kRed));
    QPolygonF head;
    head << QPointF(9, 0.5) << QPointF(14.5, 3) << QPointF(9.5, 7);
    p.drawPolygon(head);
}

// A red arrow pointing right, out of a door frame.
void DrawExit(QPainter& p, const Ink& ink)
{
    p.setPen(ink.Line(Qt::black));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 1.5, 5, 13));
    DrawArrow(p, ink, kRed, 3, 15, 8);
}

// A red prohibition sign.
void DrawClearList(QPainter& p, const Ink& ink)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(ink.Line(kRed, 2.5));
    p.drawEllipse(QRectF(2, 2, 12, 12));
    p.drawLine(QPointF(4.2, 4.2), QPointF(11.8, 11.8));
}
}  // namespace

QPixmap ToolbarPixmap(ToolbarImage image, bool enabled, int scale)
{
    QPixmap pixmap(kToolbarImageSize * scale, kToolbarImageSize * scale);
    pixmap.setDevicePixelRatio(scale);  // drawn on the 16 x 16 grid, in finer pixels
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const Ink ink{!enabled};
    switch (image) {
    case ToolbarImage::AddFiles: DrawAddFiles(painter, ink); break;
    case ToolbarImage::SaveList: DrawSaveList(painter, ink); break;
    case ToolbarImage::Remove: DrawRemove(painter, ink); break;
    case ToolbarImage::Process: DrawProcess(painter, ink); break;
    case ToolbarImage::Exit: DrawExit(painter, ink); break;
    case ToolbarImage::ClearList: DrawClearList(painter, ink); break;
    }
    return pixmap;
}

QIcon ToolbarIcon(ToolbarImage image)
{
    QIcon icon;
    for (int scale : {1, 2}) {
        icon.addPixmap(ToolbarPixmap(image, true, scale), QIcon::Normal);
        icon.addPixmap(ToolbarPixmap(image, false, scale), QIcon::Disabled);
    }
    return icon;
}

}  // namespace eit::window
