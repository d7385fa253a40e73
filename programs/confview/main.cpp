#include <QApplication>

#include <clocale>
#include <exception>

#include "base/program_interface.h"
#include "platform/widgets/dialog_seam.h"
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
    // Qt takes the user's locale; our numbers are written and read in C's.
    std::setlocale(LC_NUMERIC, "C");
    try {
        TFmain form;
        main_form = &form;
        form.show();
        const int result = application.exec();
        main_form = nullptr;
        return result;
    } catch (const std::exception& error) {
        main_form = nullptr;
        Tmessage_box box;
        box.text = error.what();
        box.caption = "Calyxo Configuration View";
        box.icon = Tbox_icon::error;
        dialog_seam().messageBox(box);
        return 1;
    }
}
