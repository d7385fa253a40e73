#include "base/event_resource.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "base/log.h"
#include "base/parse.h"
#include "platform/signal_window.h"

namespace {

// Running window timers by platform id (GUI thread only). An expiry whose id is
// not here belongs to a timer that was stopped or restarted, and is ignored.
std::map<int, Tdelay_resource*>& running_delays()
{
    static std::map<int, Tdelay_resource*> delays;
    return delays;
}

// Delays started before the signal window existed, in the order they were
// started (GUI thread only).
std::vector<Tdelay_resource*>& waiting_delays()
{
    static std::vector<Tdelay_resource*> delays;
    return delays;
}

}  // namespace

Tevent_resource::~Tevent_resource()
{
    owner = nullptr;
    std::free(resource_name);
}

void Tevent_resource::setParameter(const char* key, const char* value)
{
    if (!key || !value || text_compare_nocase(key, "name") != 0)
        return;
    char* copy = static_cast<char*>(std::malloc(std::strlen(value) + 1));
    if (!copy)
        return;
    std::strcpy(copy, value);
    std::free(resource_name);
    resource_name = copy;
}

const char* Tevent_resource::getParameter(const char* key)
{
    if (key && resource_name && text_compare_nocase(key, "name") == 0)
        return resource_name;
    return "";
}

int Tevent_resource::getIntParameter(const char*)
{
    return 0;
}

bool Tevent_resource::setOwner(Tevent_resource* new_owner)
{
    if (!new_owner)
        return false;
    if (owner == new_owner)
        return true;
    if (owner)
        return false;
    owner = new_owner;
    return true;
}

void Tevent_resource::clearOwner(Tevent_resource* old_owner)
{
    if (old_owner && old_owner == owner)
        owner = nullptr;
}

void Tevent_resource::OnNotification(Tmy_event*) {}

Tsequence::Tsequence()
{
    CANCEL.init("CANCEL", this);
    SUCCESS.init("SUCCESS", this);
    CANCELLED.init("CANCELLED", this);
    STOP.init("STOP", this);
    ERROR.init("ERROR", this);
}

Tsequence::~Tsequence() = default;

void Tsequence::beginEvent(Tmy_event* event)
{
    next_state = state;
    current_event = event;
    consumed = 0;
}

bool Tsequence::onEvent(Tmy_event* event, int next)
{
    if (consumed || event != current_event)
        return false;
    if (next != -1)
        next_state = next;
    return true;
}

bool Tsequence::advance()
{
    const bool moved = !consumed && next_state != state;
    if (moved)
        state = next_state;
    consumed = 1;
    return moved;
}

void Tsequence::stop(Tevent_resource* requester)
{
    if (requester == owner)
        STOP.signal();
}

Tdelay_resource::Tdelay_resource()
{
    setParameter("name", "delay");
    TIMER.init("TIMER", this);
}

Tdelay_resource::~Tdelay_resource()
{
    stopTimer();
}

void Tdelay_resource::setDelay(unsigned ms)
{
    if (ms == 0) {
        TIMER.signal();
        return;
    }
    if (isRunning())
        return;  // a running timer is never restarted nor shortened
    Tsignal_window* window = event_queue_window();
    if (!window) {
        win32.waiting_ms = ms;
        waiting_delays().push_back(this);
        return;
    }
    const int id = window->startTimer(ms);
    if (id == 0) {
        log_printf("ERROR : %s : timer of %u ms could not be started", nameText(), ms);
        return;
    }
    win32.timer_id = id;
    running_delays()[id] = this;
}

void Tdelay_resource::startWaitingTimer()
{
    const unsigned ms = win32.waiting_ms;
    win32.waiting_ms = 0;
    if (ms != 0)
        setDelay(ms);
}

void Tdelay_resource::stopTimer()
{
    event_remove_from_queue(&TIMER);  // a zero delay still waiting in the queue
    if (win32.waiting_ms != 0) {
        std::vector<Tdelay_resource*>& waiting = waiting_delays();
        waiting.erase(std::remove(waiting.begin(), waiting.end(), this), waiting.end());
        win32.waiting_ms = 0;
    }
    if (win32.timer_id == 0)
        return;
    running_delays().erase(win32.timer_id);
    if (Tsignal_window* window = event_queue_window())
        window->stopTimer(win32.timer_id);
    win32.timer_id = 0;
}

void Tdelay_resource::OnTimer()
{
    if (win32.timer_id == 0)
        return;  // an expiry left over from a timer since stopped or restarted
    stopTimer();
    OnNotification(&TIMER);
}

void Tdelay_resource::OnNotification(Tmy_event* event)
{
    if (event == &TIMER) {
        if (owner)
            owner->OnNotification(&SUCCESS);
    } else if (event == &CANCEL) {
        stopTimer();  // a cancelled delay must not expire afterwards
        if (owner)
            owner->OnNotification(&CANCELLED);
    }
}

void delay_timer_expired(int timer_id)
{
    const auto found = running_delays().find(timer_id);
    if (found != running_delays().end())
        found->second->OnTimer();
}

void delay_timers_forget()
{
    for (auto& entry : running_delays())
        entry.second->forgetTimer();
    running_delays().clear();
}

void delay_timers_start_waiting()
{
    std::vector<Tdelay_resource*> waiting;
    waiting.swap(waiting_delays());
    for (Tdelay_resource* delay : waiting)
        delay->startWaitingTimer();
}
