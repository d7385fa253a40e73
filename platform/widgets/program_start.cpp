#include "platform/widgets/program_start.h"

#include <QApplication>

#include <clocale>
#include <exception>
#include <string>

#include "platform/widgets/dialog_seam.h"

void numbers_in_c_locale()
{
    std::setlocale(LC_NUMERIC, "C");
}

void show_exception_box(const char* caption, const char* text)
{
    show_error_box(caption ? caption : "", text ? text : "");
}

void name_program(const char* name)
{
    QApplication::setApplicationName(QString::fromUtf8(name ? name : ""));
    QApplication::setApplicationDisplayName(QString());
}

bool run_showing_exceptions(const char* caption, const std::function<void()>& body)
{
    std::string text;
    try {
        body();
        return false;
    } catch (const std::exception& error) {
        text = error.what();
    } catch (...) {
        text = "An unknown error stopped the program.";
    }
    if (QCoreApplication::instance()) {
        show_exception_box(caption, text.c_str());
    } else {
        static int argc = 1;
        static char name[] = "calyxo";
        static char* argv[] = {name, nullptr};
        QApplication for_the_box(argc, argv);
        show_exception_box(caption, text.c_str());
    }
    return true;
}
