#include "ui/program_shell.h"

#include "base/event.h"

Tprogram_shell::~Tprogram_shell()
{
    // Nothing of this program logs any more: lines of other threads wait for
    // the GUI thread again, and the day log that took them can go.
    log_worker_lines_to_windows();
}

void Tprogram_shell::applicationMade()
{
    gui_thread_record();
    log_worker_lines_to_windows();
}

void Tprogram_shell::attachSignalWindow(Tsignal_window* window)
{
    event_queue_attach(window);
    queue_attached = true;
}

void Tprogram_shell::destroyForms()
{
    // Under the log's lock: from here no worker's line can be on its way to
    // a window, and the lines still waiting are written to the day log.
    windows_open = false;
    log_worker_lines_to_day_log(&day_log);
    if (queue_attached) {
        event_queue_detach();
        queue_attached = false;
    }
    stopWork();
    forgetForms();
    form_order.clear();
    while (!owned_forms.empty())
        owned_forms.pop_back();
}

void Tprogram_shell::logOutput(const char* line)
{
    if (!line)
        return;
    day_log.write(line);
    if (windowsReachable())
        showLine(line);
}

bool Tprogram_shell::windowsReachable() const
{
    return windows_open && on_gui_thread();
}
