#include <QApplication>

#include <exception>

#include "base/program_interface.h"
#include "platform/widgets/program_start.h"
#include "programs/confview/wmain_config_view.h"

namespace {

// The window that log lines go to while it exists.
TFmain* main_form = nullptr;

}  // namespace

void log_output(const char* line)
{
    if (main_form)
        main_form->logLine(line);
}

// This program has no numeric channels and no event queue to start it.
void gui_set(int, const char*) {}
void on_application_ready() {}

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    numbers_in_c_locale();
    try {
        TFmain form;
        main_form = &form;
        form.show();
        const int result = application.exec();
        main_form = nullptr;
        return result;
    } catch (const std::exception& error) {
        main_form = nullptr;
        show_exception_box("Calyxo Configuration View", error.what());
        return 1;
    }
}
