#include "base/background_job.h"

#include <system_error>

int Tbackground_job::running_count = 0;

Tbackground_job::Tbackground_job(const char* name)
{
    DONE.init(name, this);
}

Tbackground_job::~Tbackground_job()
{
    abandon();
}

bool Tbackground_job::launch(std::function<void()> run, std::function<void()> deliver)
{
    try {
        // The thread owns the work: nothing of it stays with the job.
        thread = std::thread([this, run = std::move(run)] {
            run();
            DONE.signal();
        });
    } catch (const std::system_error&) {
        return false;
    }
    on_done = std::move(deliver);
    setActive(true);
    return true;
}

void Tbackground_job::setActive(bool on)
{
    if (on != active)
        running_count += on ? 1 : -1;
    active = on;
}

void Tbackground_job::abandon()
{
    if (thread.joinable())
        thread.join();
    event_remove_from_queue(&DONE);
    on_done = nullptr;
    setActive(false);
}

void Tbackground_job::finishNow()
{
    if (!active)
        return;
    // Joined first: the worker's DONE is queued by then, and is taken out.
    thread.join();
    event_remove_from_queue(&DONE);
    handOver();
}

void Tbackground_job::OnNotification(Tmy_event* event)
{
    if (event != &DONE || !active)
        return;
    handOver();
}

void Tbackground_job::handOver()
{
    if (thread.joinable())
        thread.join();
    setActive(false);
    // The hand-over may start the next job.
    std::function<void()> deliver = std::move(on_done);
    on_done = nullptr;
    deliver();
}
