#include "programs/basic/window_style.h"

#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <QScreen>
#include <QWidget>

#include <algorithm>

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

namespace {

// Until the window manager has framed a window: room for its title bar and borders.
const QMargins assumed_frame(4, 30, 4, 4);

// The size the window will show at: one never sized yet takes its layout's on showing.
void settle_size(QWidget* window)
{
    if (!window->testAttribute(Qt::WA_Resized))
        window->adjustSize();
}

QMargins frame_of(const QWidget* window)
{
    const QRect inner = window->geometry();
    const QRect outer = window->frameGeometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                         outer.bottom() - inner.bottom());
    return frame.isNull() ? assumed_frame : frame;
}

}  // namespace

void keep_on_screen(QWidget* window)
{
    const QScreen* screen = window ? window->screen() : nullptr;
    if (!screen)
        return;
    settle_size(window);
    const QRect area = screen->availableGeometry();
    const QMargins frame = frame_of(window);
    const QSize room(area.width() - frame.left() - frame.right(), area.height() - frame.top() - frame.bottom());
    const QSize size = window->size().boundedTo(room).expandedTo(window->minimumSize());
    if (size != window->size())
        window->resize(size);
    const QSize outer(size.width() + frame.left() + frame.right(), size.height() + frame.top() + frame.bottom());
    // move() places the frame's corner.
    QPoint corner = window->pos();
    corner.setX(std::clamp(corner.x(), area.left(), std::max(area.left(), area.right() + 1 - outer.width())));
    corner.setY(std::clamp(corner.y(), area.top(), std::max(area.top(), area.bottom() + 1 - outer.height())));
    window->move(corner);
}

void centre_on_screen(QWidget* window)
{
    const QScreen* screen = window ? window->screen() : nullptr;
    if (!screen)
        return;
    settle_size(window);
    const QMargins frame = frame_of(window);
    const QSize outer(window->width() + frame.left() + frame.right(), window->height() + frame.top() + frame.bottom());
    const QRect area = screen->availableGeometry();
    window->move(area.left() + (area.width() - outer.width()) / 2, area.top() + (area.height() - outer.height()) / 2);
    keep_on_screen(window);
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

QLabel* make_label(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    if (name)
        label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    return label;
}
