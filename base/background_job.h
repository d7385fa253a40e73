#pragma once

#include <functional>
#include <future>
#include <memory>
#include <thread>
#include <type_traits>
#include <utility>

#include "base/event_resource.h"

// One piece of long work (reading or converting a file) on a thread of its
// own, so that the windows go on repainting and answering. The work takes its
// inputs by value and returns its result; once it has ended, the GUI thread
// hears of it through the posted event DONE and hands the result to the
// hand-over there (a future and its watcher), so that nothing is written on
// one thread and read on another.
class Tbackground_job : public Tevent_resource {
public:
    explicit Tbackground_job(const char* name);
    // Waits for work still running; its hand-over is then not run.
    ~Tbackground_job() override;

    // Starts work() on the thread and, once it has ended, hand_over with what
    // it returned (nothing when it returns void) on the GUI thread. False when
    // work is still running or no thread can be made: nothing started, and
    // the work, with what it owns, goes at once.
    template <class Work, class Hand_over>
    bool start(Work work, Hand_over hand_over);
    // Started, and its hand-over not yet run.
    bool running() const { return active; }
    // How many jobs of the program are running, all together (GUI thread): a
    // test steps the clock on only once the program has no work left.
    static int runningCount() { return running_count; }
    // Waits for the work and drops its hand-over (the receiver goes away).
    void abandon();
    // Waits for the work and runs its hand-over now, on the calling (GUI)
    // thread, in place of the posted one.
    void finishNow();

    void OnNotification(Tmy_event* event) override;

    Tmy_event DONE;

private:
    bool launch(std::function<void()> run, std::function<void()> deliver);
    void handOver();

    std::thread thread;
    // Runs the hand-over with the work's result; the GUI thread's only.
    std::function<void()> on_done;
    bool active = false;
    static int running_count;

    void setActive(bool on);
};

template <class Work, class Hand_over>
bool Tbackground_job::start(Work work, Hand_over hand_over)
{
    using Result = std::invoke_result_t<Work&>;
    if (active)
        return false;
    auto task = std::make_shared<std::packaged_task<Result()>>(std::move(work));
    auto result = std::make_shared<std::future<Result>>(task->get_future());
    return launch([task] { (*task)(); },
                  [result, hand_over = std::move(hand_over)]() mutable {
                      if constexpr (std::is_void_v<Result>) {
                          result->get();
                          hand_over();
                      } else {
                          hand_over(result->get());
                      }
                  });
}
