#include "programs/start/windows/panel_pictures.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

const QColor ink(0x20, 0x20, 0x20);

// A transparent square with a painter scaled to a 100 x 100 drawing.
template <class Draw>
QPixmap drawn(int edge, Draw draw)
{
    QPixmap picture(edge, edge);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(edge / 100.0, edge / 100.0);
    painter.setPen(QPen(ink, 3));
    draw(painter);
    return picture;
}

}  // namespace

QPixmap usb_picture(int edge)
{
    return drawn(edge, [](QPainter& p) {
        // The cable, the plug's body and its metal shell with the two contacts.
        p.setBrush(Qt::NoBrush);
        QPainterPath cable(QPointF(50, 98));
        cable.cubicTo(QPointF(50, 85), QPointF(30, 80), QPointF(50, 68));
        p.setPen(QPen(ink, 6, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(cable);
        p.setPen(QPen(ink, 3));
        p.setBrush(QColor(0x40, 0x40, 0x48));
        p.drawRoundedRect(QRectF(32, 38, 36, 32), 6, 6);
        p.setBrush(QColor(0xC8, 0xCC, 0xD2));
        p.drawRect(QRectF(36, 6, 28, 34));
        p.setBrush(ink);
        p.drawRect(QRectF(42, 14, 6, 6));
        p.drawRect(QRectF(53, 14, 6, 6));
    });
}

QPixmap settings_picture(int edge)
{
    return drawn(edge, [](QPainter& p) {
        // A gear of eight teeth round a hole.
        constexpr int teeth = 8;
        constexpr double pi = 3.14159265358979;
        QPainterPath gear;
        for (int i = 0; i < teeth * 4; ++i) {
            // Each tooth: two points out, two points in.
            const double angle = (i - 0.5) * pi / (teeth * 2);
            const double radius = (i % 4 < 2) ? 46 : 34;
            const QPointF point(50 + radius * std::cos(angle), 50 + radius * std::sin(angle));
            if (i == 0)
                gear.moveTo(point);
            else
                gear.lineTo(point);
        }
        gear.closeSubpath();
        gear.addEllipse(QPointF(50, 50), 14, 14);
        p.setBrush(QColor(0x90, 0x98, 0xA4));
        p.drawPath(gear);
    });
}
