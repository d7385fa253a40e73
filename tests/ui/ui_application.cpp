#include "tests/ui/ui_application.h"

#include <QApplication>

#include <clocale>

void ensure_ui_application()
{
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* application = new QApplication(argc, argv);
    (void)application;
    // As the programs do: numbers in the C locale whatever Qt chose.
    std::setlocale(LC_NUMERIC, "C");
}

// Fontconfig keeps its caches until the process ends; the windows' text drawn
// for the grabs loads it. The leak checker of the sanitizer build reads this.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
