#include <QApplication>

#include <exception>

#include "base/program_interface.h"
#include "platform/widgets/program_start.h"
#include "programs/confview/wmain_config_view.h"

// The window takes what it shows from the compiler as values: the program has
// no log to show lines in, no numeric channels and no event queue to start it.
void log_output(const char*) {}
void gui_set(int, const char*) {}
void on_application_ready() {}

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    numbers_in_c_locale();
    try {
        TFmain form;
        form.show();
        return application.exec();
    } catch (const std::exception& error) {
        show_exception_box("Calyxo Configuration View", error.what());
        return 1;
    }
}
