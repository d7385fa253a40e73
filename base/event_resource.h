#pragma once

#include "base/event.h"

// Root of every event-driven object: trace flags, an owner to report to, a name,
// and eight virtual operations of which OnNotification receives events.
class Tevent_resource {
public:
    Tevent_resource() = default;
    Tevent_resource(const Tevent_resource&) = delete;
    Tevent_resource& operator=(const Tevent_resource&) = delete;
    virtual ~Tevent_resource();

    virtual void terminate() {}
    virtual void setDefaults() {}
    virtual void setParameter(const char* key, const char* value);
    virtual const char* getParameter(const char* key);
    virtual int getIntParameter(const char* key);
    virtual bool setOwner(Tevent_resource* new_owner);
    virtual void clearOwner(Tevent_resource* old_owner);
    virtual void OnNotification(Tmy_event* event);

    unsigned trace = 0;
    Tevent_resource* owner = nullptr;

protected:
    // The name set by the key "name", "" when none.
    const char* nameText() const { return resource_name ? resource_name : ""; }

private:
    char* resource_name = nullptr;
};

// A state machine over events with the five standard events. Subclasses follow
// the handling skeleton: beginEvent, then a loop over the state's entry code and
// transitions while advance() moves to a new state.
class Tsequence : public Tevent_resource {
public:
    Tsequence();
    ~Tsequence() override;

    // The states a sequence ends in: from there its owner hears SUCCESS,
    // CANCELLED or ERROR.
    enum : int { STATE_SUCCESS = 1000, STATE_CANCELLED = 1001, STATE_FAILED = 1002 };

    void beginEvent(Tmy_event* event);
    bool onEvent(Tmy_event* event, int next);
    bool advance();
    void setNextState(int next) { next_state = next; }
    void stop(Tevent_resource* requester);

    Tmy_event CANCEL;
    Tmy_event SUCCESS;
    Tmy_event CANCELLED;
    Tmy_event STOP;
    Tmy_event ERROR;

    unsigned char consumed = 0;
    int next_state = 0;
    Tmy_event* current_event = nullptr;
    int state = 0;
};

// The platform half of a delay: the id of its running window timer (0 = none),
// or the period of a timer started before the signal window existed, which
// starts when the window attaches (0 = none).
class Tdelay_resource_win32 {
public:
    int timer_id = 0;
    unsigned waiting_ms = 0;
};

// One-shot millisecond timer; reports SUCCESS (expired) or CANCELLED to its owner.
class Tdelay_resource : public Tsequence {
public:
    Tdelay_resource();
    ~Tdelay_resource() override;

    void terminate() override { stopTimer(); }
    void OnNotification(Tmy_event* event) override;

    void setDelay(unsigned ms);
    void stopTimer();
    // The signal window's expiry of this delay's timer.
    void OnTimer();
    bool isRunning() const { return win32.timer_id != 0 || win32.waiting_ms != 0; }
    // The window that ran the timer is gone: the timer counts as stopped.
    void forgetTimer() { win32.timer_id = 0; }
    // The signal window now exists: a timer waiting for it starts.
    void startWaitingTimer();

    Tmy_event TIMER;

private:
    Tdelay_resource_win32 win32;
};

// Called by the event queue when the timer with this platform id expires;
// an id that no running delay holds (stopped, restarted) is ignored.
void delay_timer_expired(int timer_id);
// The signal window went away: every delay counts as stopped.
void delay_timers_forget();
// A signal window attached: the timers started before it start now.
void delay_timers_start_waiting();
