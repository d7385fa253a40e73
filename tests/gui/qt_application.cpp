#include "tests/gui/qt_application.h"

#include <QApplication>

#include <clocale>

void ensure_qt_application()
{
    static int argc = 1;
    static char name[] = "gui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
    // As the programs do: numbers in the C locale whatever Qt chose.
    std::setlocale(LC_NUMERIC, "C");
}
