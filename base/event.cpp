#include "base/event.h"

#include <atomic>
#include <mutex>
#include <thread>

#include "base/event_resource.h"
#include "base/log.h"
#include "base/parse.h"
#include "base/program_interface.h"
#include "platform/signal_window.h"

namespace {

// Guards the queue, every event's next link and pending flag, and the window pointer.
std::mutex queue_lock;
Tmy_event* head = nullptr;
Tmy_event* tail = nullptr;
Tsignal_window* window = nullptr;

// The default id is no thread's: none recorded yet. Made on first use, since
// a test binary records its thread while the statics are being built.
std::atomic<std::thread::id>& recorded_gui_thread()
{
    static std::atomic<std::thread::id> id{std::thread::id()};
    return id;
}

void post_wakeup_locked()
{
    if (window)
        window->postWakeup();
}

// Appends the event unless it is pending; returns whether it entered an empty queue.
bool enqueue_locked(Tmy_event* event)
{
    if (event->pending)
        return false;
    event->pending = 1;
    event->next = nullptr;
    if (tail) {
        tail->next = event;
        tail = event;
        return false;
    }
    head = event;
    tail = event;
    post_wakeup_locked();
    return true;
}

void unlink_locked(Tmy_event* event)
{
    Tmy_event* previous = nullptr;
    for (Tmy_event* e = head; e; previous = e, e = e->next) {
        if (e != event)
            continue;
        if (previous)
            previous->next = e->next;
        else
            head = e->next;
        if (tail == e)
            tail = previous;
        e->next = nullptr;
        e->pending = 0;
        return;
    }
}

// One wake-up: take the head event out and dispatch it. The next wake-up is
// posted before the dispatch while events remain, so one is always outstanding.
void pop_step()
{
    Tmy_event* event;
    {
        std::lock_guard<std::mutex> hold(queue_lock);
        event = head;
        if (!event)
            return;
        if (event == tail) {
            head = nullptr;
            tail = nullptr;
        } else {
            head = event->next;
            if (head)
                post_wakeup_locked();
        }
        event->next = nullptr;
    }
    event->dispatch();
}

class Tqueue_client : public Tsignal_window_client {
public:
    void onWakeup() override { pop_step(); }
    void onStart() override { on_application_ready(); }
    void onTimer(int timer_id) override { delay_timer_expired(timer_id); }
};

Tqueue_client queue_client;

}  // namespace

void Tmy_event::init(const char* event_name, Tevent_resource* receiver)
{
    text_copy_bounded(name, event_name, sizeof name);
    resource = receiver;
}

Tmy_event::~Tmy_event()
{
    // An event queued for a receiver that is going away must not be dispatched.
    if (pending)
        event_remove_from_queue(this);
}

void Tmy_event::signal()
{
    event_add_to_queue(this, trace);
}

void Tmy_event::dispatch()
{
    {
        std::lock_guard<std::mutex> hold(queue_lock);
        pending = 0;
    }
    if (resource)
        resource->OnNotification(this);
}

const char* Tmy_event::getResourceName() const
{
    return resource ? resource->getParameter("name") : "";
}

int event_add_to_queue(Tmy_event* event, int trace)
{
    if (!event)
        return 0;
    bool woke;
    {
        std::lock_guard<std::mutex> hold(queue_lock);
        woke = enqueue_locked(event);
    }
    // Logged outside the lock: a worker's log line is itself handed over by an event.
    if (trace) {
        log_printf("event_add_to_queue (%s)", event->name);
        if (woke)
            log_printf("event_add_to_queue : gen_event");
    }
    return 0;
}

void gen_event()
{
    std::lock_guard<std::mutex> hold(queue_lock);
    post_wakeup_locked();
}

void event_remove_from_queue(Tmy_event* event)
{
    if (!event)
        return;
    std::lock_guard<std::mutex> hold(queue_lock);
    unlink_locked(event);
}

void event_remove_resource(const Tevent_resource* resource)
{
    std::lock_guard<std::mutex> hold(queue_lock);
    Tmy_event* e = head;
    while (e) {
        Tmy_event* following = e->next;
        if (e->resource == resource)
            unlink_locked(e);
        e = following;
    }
}

void application_terminate()
{
    std::lock_guard<std::mutex> hold(queue_lock);
    if (window)
        window->quit();
}

void event_queue_attach(Tsignal_window* new_window)
{
    {
        std::lock_guard<std::mutex> hold(queue_lock);
        window = new_window;
        if (!window)
            return;
        window->bind(&queue_client);
        // The start message goes first, so the start routine runs before any event;
        // events queued before the window existed keep their place and get a wake-up.
        window->postStart();
        if (head)
            window->postWakeup();
    }
    // Timers started before the window existed run from now on.
    delay_timers_start_waiting();
}

void event_queue_detach()
{
    {
        std::lock_guard<std::mutex> hold(queue_lock);
        window = nullptr;
    }
    delay_timers_forget();
}

Tsignal_window* event_queue_window()
{
    std::lock_guard<std::mutex> hold(queue_lock);
    return window;
}

void gui_thread_record()
{
    recorded_gui_thread() = std::this_thread::get_id();
}

bool on_gui_thread()
{
    const std::thread::id recorded = recorded_gui_thread();
    return recorded == std::thread::id() || recorded == std::this_thread::get_id();
}
