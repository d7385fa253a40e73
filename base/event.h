#pragma once

#include <atomic>

class Tevent_resource;
class Tsignal_window;

// A named event, embedded by value in its receiver and identified by its address.
// Signalling queues it at most once until it is dispatched; any thread may signal.
struct Tmy_event {
    Tmy_event* next = nullptr;
    Tevent_resource* resource = nullptr;
    std::atomic<unsigned char> pending{0};
    int trace = 0;
    char name[64] = {};

    Tmy_event() = default;
    ~Tmy_event();
    Tmy_event(const Tmy_event&) = delete;
    Tmy_event& operator=(const Tmy_event&) = delete;

    // A name of 64 characters or more leaves the name empty; the event still works.
    void init(const char* event_name, Tevent_resource* receiver);
    void signal();
    void dispatch();
    const char* getName() const { return name; }
    const char* getResourceName() const;
};

// The global first-in-first-out queue of events for the GUI thread.
int event_add_to_queue(Tmy_event* event, int trace);
void gen_event();
// Remove an event from the queue without dispatching it (its receiver is going away).
void event_remove_from_queue(Tmy_event* event);
// Remove every queued event whose receiver is `resource`.
void event_remove_resource(const Tevent_resource* resource);
void application_terminate();

// The signal window's side. attach() binds the window and posts the start
// message; events queued before it keep their place and get their wake-up.
// detach() drops later posts and forgets the running timers (their ids
// belonged to the window).
void event_queue_attach(Tsignal_window* window);
void event_queue_detach();
Tsignal_window* event_queue_window();

// The GUI thread: the calling thread, recorded when the application object is
// made (a test binary records its main thread) and kept for the program's
// whole life, also after the event queue has been detached at shutdown.
void gui_thread_record();
// True when the caller runs on the GUI thread, or when none is recorded yet:
// before the application is made only the program's first thread runs.
bool on_gui_thread();
