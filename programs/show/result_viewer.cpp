#include "programs/show/result_viewer.h"

#include "base/event.h"

Tresult_viewer::Tresult_viewer()
    : Fppb(new TFppb(&Faffiche)), Fttimezone_settings(new TFttimezone_settings(&Faffiche))
{
    // The result window is the program's only main window: Escape must not
    // hide it and leave a process without a window.
    Faffiche.setEscapeHides(false);
    event_queue_attach(SignalForm.window());
}

Tresult_viewer::~Tresult_viewer()
{
    event_queue_detach();
}

void Tresult_viewer::start(const char* setup_path)
{
    paths.readFile(setup_path);
    Faffiche.setDataFolder(paths.getPath("PATH_DATA_XML"));
    set_display_option("ppb_conversion", "enabled");
    set_display_option("default_affiche", "all_on");
}
