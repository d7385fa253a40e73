#include "platform/manual_signal_window.h"

#include <chrono>

void Tmanual_signal_window::bind(Tsignal_window_client* new_client)
{
    client = new_client;
}

void Tmanual_signal_window::postWakeup()
{
    {
        std::lock_guard<std::mutex> hold(lock);
        messages.push_back(Tmessage::wakeup);
    }
    posted.notify_all();
}

void Tmanual_signal_window::postStart()
{
    {
        std::lock_guard<std::mutex> hold(lock);
        messages.push_back(Tmessage::start);
    }
    posted.notify_all();
}

int Tmanual_signal_window::startTimer(unsigned ms)
{
    if (ms == 0)
        return 0;
    const int id = next_timer_id++;
    timers[id] = Ttimer{ms, now_ms + ms};
    return id;
}

void Tmanual_signal_window::stopTimer(int timer_id)
{
    timers.erase(timer_id);
}

void Tmanual_signal_window::quit()
{
    {
        std::lock_guard<std::mutex> hold(lock);
        quit_requested = true;
    }
    posted.notify_all();
}

void Tmanual_signal_window::deliver(Tmessage message)
{
    if (!client)
        return;
    if (message == Tmessage::wakeup)
        client->onWakeup();
    else
        client->onStart();
}

bool Tmanual_signal_window::pumpOne()
{
    Tmessage message;
    {
        std::lock_guard<std::mutex> hold(lock);
        if (messages.empty())
            return false;
        message = messages.front();
        messages.pop_front();
    }
    deliver(message);
    return true;
}

int Tmanual_signal_window::pumpAll()
{
    int delivered = 0;
    while (pumpOne())
        ++delivered;
    return delivered;
}

bool Tmanual_signal_window::pumpUntil(const std::function<bool()>& done, int timeout_ms)
{
    using clock = std::chrono::steady_clock;
    const auto give_up = clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        pumpAll();
        if (done())
            return true;
        if (clock::now() >= give_up)
            return false;
        // Woken by a post; the short slice also catches conditions that change
        // without a message (a peer thread's state).
        std::unique_lock<std::mutex> hold(lock);
        posted.wait_for(hold, std::chrono::milliseconds(5), [this] { return !messages.empty(); });
    }
}

void Tmanual_signal_window::advance(unsigned ms)
{
    const unsigned long long target = now_ms + ms;
    pumpAll();
    for (;;) {
        int due_id = 0;
        unsigned long long due = target + 1;
        for (const auto& entry : timers) {
            if (entry.second.deadline < due) {
                due = entry.second.deadline;
                due_id = entry.first;
            }
        }
        if (due_id == 0)
            break;
        now_ms = due;
        Ttimer& timer = timers[due_id];
        timer.deadline += timer.interval;
        if (client)
            client->onTimer(due_id);
        pumpAll();
    }
    now_ms = target;
}

bool Tmanual_signal_window::quitRequested() const
{
    std::lock_guard<std::mutex> hold(lock);
    return quit_requested;
}

int Tmanual_signal_window::runningTimers() const
{
    return static_cast<int>(timers.size());
}

int Tmanual_signal_window::postedMessages() const
{
    std::lock_guard<std::mutex> hold(lock);
    return static_cast<int>(messages.size());
}
