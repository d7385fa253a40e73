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

bool Tbackground_job::start(std::function<void()> work, std::function<void()> hand_over)
{
    if (active)
        return false;
    work_to_do = std::move(work);
    on_done = std::move(hand_over);
    try {
        thread = std::thread([this] {
            work_to_do();
            DONE.signal();
        });
    } catch (const std::system_error&) {
        work_to_do = nullptr;
        on_done = nullptr;
        return false;
    }
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
    work_to_do = nullptr;
    on_done = nullptr;
    setActive(false);
}

void Tbackground_job::OnNotification(Tmy_event* event)
{
    if (event != &DONE || !active)
        return;
    thread.join();
    work_to_do = nullptr;
    setActive(false);
    // The hand-over may start the next job.
    std::function<void()> hand_over = std::move(on_done);
    on_done = nullptr;
    if (hand_over)
        hand_over();
}
