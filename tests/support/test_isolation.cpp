// Every test starts from the same shared state, whatever ran before it in the
// same process and in whatever order (CI runs each binary shuffled too): the
// log and GUI records empty, no log forwarding, the system clock, and no
// signal window left attached to the event queue.
#include <gtest/gtest.h>

#include "base/event.h"
#include "base/time_calendar.h"
#include "tests/support/recording_program.h"

namespace {

class Tshared_state_reset : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override
    {
        if (event_queue_window())
            event_queue_detach();
        time_set_clock(nullptr);
        recorded::set_log_forward(nullptr);
        recorded::clear_log();
        recorded::clear_gui();
    }
};

const bool installed = [] {
    // The binary's main thread plays the GUI thread, as in a program.
    gui_thread_record();
    ::testing::UnitTest::GetInstance()->listeners().Append(new Tshared_state_reset);
    return true;
}();

}  // namespace
