#pragma once

#include "base/event.h"
#include "link/module_view.h"
#include "platform/manual_signal_window.h"
#include "tests/support/recording_program.h"

// One input against code driven by the event queue: a fresh manual pump
// attached and the module view emptied before it, the pump drained and
// detached and the recorded log and gui calls cleared after it, so that no
// input meets what an earlier one left.
template <typename Run>
void run_on_manual_pump(Run run)
{
    Tmanual_signal_window window;
    event_queue_attach(&window);
    window.pumpAll();
    module_view = Tmodule_view();
    run(window);
    window.pumpAll();
    event_queue_detach();
    recorded::clear_log();
    recorded::clear_gui();
}
