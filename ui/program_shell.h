#pragma once

#include <QObject>

#include <memory>
#include <utility>
#include <vector>

#include "base/log.h"

class Tsignal_window;

// What calyxo_basic and calyxo_start share around their windows: the forms
// they own, the day log, the log sink, and the one safe way out. Only the GUI
// thread writes a window: a line logged on another thread reaches the windows
// through the log's locked queue, and once the windows are going, the day log
// only.
class Tprogram_shell {
public:
    Tprogram_shell(const Tprogram_shell&) = delete;
    Tprogram_shell& operator=(const Tprogram_shell&) = delete;

    // Right after the application object is made: its thread is the GUI
    // thread for the program's whole life.
    void applicationMade();
    // The way out, before the application object goes, in this order: lines
    // of other threads to the day log only; the event queue detached, so that
    // no hand-over or notification runs any more; the program's background
    // jobs and serial workers stopped (stopWork); every pointer to a form
    // cleared (forgetForms); the forms deleted, the last made first. A
    // second call does nothing more.
    void destroyForms();

    // The forms in the order they were made.
    const std::vector<QObject*>& forms() const { return form_order; }

    // Closed when the shell goes, after the program's own members: the lines
    // its workers log on the way out are kept too.
    Tlogf_day day_log;

protected:
    Tprogram_shell() = default;
    // Run after the program's own members, its workers among them, are gone.
    virtual ~Tprogram_shell();

    template <class Form, class... Args>
    Form* make(Args&&... args);
    // The signal window joins the event queue, which posts the start message.
    void attachSignalWindow(Tsignal_window* window);

    // The log sink: every line to the day log, and to the windows (showLine)
    // only on the GUI thread while they are open.
    void logOutput(const char* line);
    // A window may be written now: the caller runs on the GUI thread and the
    // windows are not going.
    bool windowsReachable() const;

    // The line in the windows; called on the GUI thread while they are open.
    virtual void showLine(const char* line) = 0;
    // Background jobs waited for with their hand-overs dropped, serial ports
    // closed with their workers ended.
    virtual void stopWork() = 0;
    // Every pointer to a form set to null.
    virtual void forgetForms() = 0;

private:
    std::vector<QObject*> form_order;
    // Deleted in reverse order of creation: dialogs before the main window
    // that parents them.
    std::vector<std::unique_ptr<QObject>> owned_forms;
    bool windows_open = false;
    bool queue_attached = false;
};

template <class Form, class... Args>
Form* Tprogram_shell::make(Args&&... args)
{
    auto form = std::make_unique<Form>(std::forward<Args>(args)...);
    Form* made = form.get();
    form_order.push_back(made);
    owned_forms.push_back(std::move(form));
    windows_open = true;
    return made;
}
