#pragma once

#include <functional>
#include <thread>

#include "base/event_resource.h"

// One piece of long work (reading or converting a file) on a thread of its
// own, so that the windows go on repainting and answering. The work writes
// only what the caller gave it for its own; when it has ended, the GUI thread
// hears of it through the posted event DONE and runs the hand-over there, so
// nothing is written from two threads.
class Tbackground_job : public Tevent_resource {
public:
    explicit Tbackground_job(const char* name);
    // Waits for work still running; its hand-over is then not run.
    ~Tbackground_job() override;

    // Starts work on the thread and, once it has ended, hand_over on the GUI
    // thread. False when work is still running (nothing started) or no
    // thread can be made.
    bool start(std::function<void()> work, std::function<void()> hand_over);
    // Started, and its hand-over not yet run.
    bool running() const { return active; }
    // How many jobs of the program are running, all together (GUI thread): a
    // test steps the clock on only once the program has no work left.
    static int runningCount() { return running_count; }
    // Waits for the work and drops its hand-over (the receiver goes away).
    void abandon();

    void OnNotification(Tmy_event* event) override;

    Tmy_event DONE;

private:
    std::thread thread;
    std::function<void()> work_to_do;
    std::function<void()> on_done;
    bool active = false;
    static int running_count;

    void setActive(bool on);
};
