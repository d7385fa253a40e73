#include "platform/widgets/program_start.h"

#include <QGuiApplication>

#include <clocale>

#include "platform/widgets/dialog_seam.h"

void numbers_in_c_locale()
{
    std::setlocale(LC_NUMERIC, "C");
}

void show_exception_box(const char* caption, const char* text)
{
    Tmessage_box box;
    box.text = text ? text : "";
    box.caption = caption ? caption : "";
    box.icon = Tbox_icon::error;
    dialog_seam().messageBox(box);
}

void name_program(const char* name)
{
    QGuiApplication::setApplicationName(QString::fromUtf8(name ? name : ""));
    QGuiApplication::setApplicationDisplayName(QString());
}
