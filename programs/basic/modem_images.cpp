#include "programs/basic/modem_images.h"

#include <QFont>
#include <QPainter>

#include <cstring>

namespace {

const QColor ink(0x20, 0x20, 0x20);

void draw_bars(QPainter& painter, int filled)
{
    const int bars = 5;
    const int width = modem_image_size / (bars + 1);
    for (int i = 0; i < bars; ++i) {
        const int height = (i + 1) * (modem_image_size - 4) / bars;
        const QRect bar(2 + i * (width + 1), modem_image_size - 2 - height, width, height);
        painter.setPen(ink);
        painter.setBrush(i < filled ? QColor(0x20, 0xA0, 0x20) : QColor(0xE0, 0xE0, 0xE0));
        painter.drawRect(bar);
    }
}

void draw_text(QPainter& painter, const QColor& back, const char* text)
{
    painter.setPen(ink);
    painter.setBrush(back);
    painter.drawRoundedRect(QRect(1, 1, modem_image_size - 2, modem_image_size - 2), 4, 4);
    QFont font = painter.font();
    font.setPixelSize(std::strlen(text) > 2 ? 8 : 10);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, modem_image_size, modem_image_size), Qt::AlignCenter, text);
}

void draw_dot(QPainter& painter, const QColor& colour)
{
    painter.setPen(ink);
    painter.setBrush(colour);
    painter.drawEllipse(QRect(3, 3, modem_image_size - 6, modem_image_size - 6));
}

struct Tpicture {
    const char* name;
    void (*draw)(QPainter&);
};

const Tpicture pictures[] = {
    {"img_on", [](QPainter& p) { draw_dot(p, QColor(0x30, 0xD0, 0x30)); }},
    {"img_off", [](QPainter& p) { draw_dot(p, QColor(0x80, 0x80, 0x80)); }},
    {"img_pin", [](QPainter& p) { draw_text(p, QColor(0xFF, 0xD0, 0x40), "PIN"); }},
    {"img_puk", [](QPainter& p) { draw_text(p, QColor(0xFF, 0x50, 0x50), "PUK"); }},
    {"img_pin_ok", [](QPainter& p) { draw_text(p, QColor(0x70, 0xE0, 0x70), "SIM"); }},
    {"img_csq_qm", [](QPainter& p) { draw_text(p, QColor(0xE0, 0xE0, 0xE0), "?"); }},
    {"img_csq0", [](QPainter& p) { draw_bars(p, 0); }},
    {"img_csq1", [](QPainter& p) { draw_bars(p, 1); }},
    {"img_csq2", [](QPainter& p) { draw_bars(p, 2); }},
    {"img_csq3", [](QPainter& p) { draw_bars(p, 3); }},
    {"img_csq4", [](QPainter& p) { draw_bars(p, 4); }},
    {"img_csq5", [](QPainter& p) { draw_bars(p, 5); }},
    {"img_gprs", [](QPainter& p) { draw_text(p, QColor(0xC5, 0xC6, 0xFF), "2G"); }},
    {"img_3g", [](QPainter& p) { draw_text(p, QColor(0xC5, 0xC6, 0xFF), "3G"); }},
    {"img_4g", [](QPainter& p) { draw_text(p, QColor(0xC5, 0xC6, 0xFF), "4G"); }},
    {"img_connected", [](QPainter& p) { draw_text(p, QColor(0x70, 0xE0, 0x70), "<>"); }},
    {"img_connecting", [](QPainter& p) { draw_text(p, QColor(0xFF, 0xFF, 0x40), ".."); }},
    {"img_done", [](QPainter& p) { draw_text(p, QColor(0xC0, 0xC0, 0xC0), "OK"); }},
};

}  // namespace

const char* const modem_image_groups[modem_image_group_count][modem_image_group_size + 1] = {
    {"img_on", "img_off", "img_pin", "img_puk", "img_pin_ok", nullptr},
    {"img_csq_qm", "img_csq0", "img_csq1", "img_csq2", "img_csq3", "img_csq4", "img_csq5", nullptr},
    {"img_gprs", "img_3g", "img_4g", nullptr},
    {"img_connected", "img_connecting", "img_done", nullptr},
};

QPixmap modem_image(const char* name)
{
    QPixmap pixmap(modem_image_size, modem_image_size);
    pixmap.fill(Qt::transparent);
    for (const Tpicture& picture : pictures) {
        if (name && std::strcmp(picture.name, name) == 0) {
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            picture.draw(painter);
            break;
        }
    }
    return pixmap;
}
