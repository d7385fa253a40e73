#include "programs/basic/window_style.h"

#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <QScreen>
#include <QWidget>

void set_panel_background(QWidget* panel, const QColor& background)
{
    if (!panel)
        return;
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, background);
    panel->setPalette(palette);
    panel->setAutoFillBackground(true);
}

void set_panel_colours(QWidget* panel, const QColor& background, const QColor& text)
{
    if (!panel)
        return;
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, text);
    panel->setPalette(palette);
    panel->setAutoFillBackground(true);
}

QColor button_face()
{
    return QApplication::palette().color(QPalette::Button);
}

QColor colour_of(const char* hex)
{
    return QColor(QString::fromLatin1(hex ? hex : "#000000"));
}

QFont fixed_pitch_font()
{
    QFont font("Courier New");
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

void centre_on_screen(QWidget* window)
{
    if (const QScreen* screen = window ? window->screen() : nullptr)
        window->move(screen->availableGeometry().center() - window->rect().center());
}

QLabel* make_error_label(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName("lb_error");
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setStyleSheet("color: #C00000;");
    return label;
}
