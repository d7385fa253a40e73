#include <QApplication>

#include <exception>
#include <memory>

#include "base/event.h"
#include "base/program_interface.h"
#include "platform/widgets/program_start.h"
#include "programs/show/result_viewer.h"
#include "ui/faffiche.h"

namespace {

Tresult_viewer* viewer = nullptr;

}  // namespace

// No day log: the lines go to the result window's text area.
void log_output(const char* line)
{
    result_memo_append(line);
}

// This program has no numeric channels.
void gui_set(int, const char*) {}

void on_application_ready()
{
    if (viewer)
        viewer->start();
}

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    // The reader's worker logs too: its lines wait for this thread.
    gui_thread_record();
    name_program(result_viewer_title);
    numbers_in_c_locale();
    try {
        Tresult_viewer forms;
        viewer = &forms;
        forms.resultWindow().show();
        const int result = application.exec();
        viewer = nullptr;
        return result;
    } catch (const std::exception& error) {
        viewer = nullptr;
        show_exception_box(result_viewer_title, error.what());
    } catch (...) {
        viewer = nullptr;
        show_exception_box(result_viewer_title, "");
    }
    return 1;
}
