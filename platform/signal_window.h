#pragma once

// The hidden window that carries the event queue: wake-up messages, the start
// message and one-shot timers. The event queue talks to it only through this
// interface, so it runs over Qt in the programs and over a manual pump in tests.

class Tsignal_window_client {
public:
    virtual ~Tsignal_window_client() = default;
    virtual void onWakeup() = 0;           // take one queued event and dispatch it
    virtual void onStart() = 0;            // the message loop runs: start the program
    virtual void onTimer(int timer_id) = 0;  // a timer of startTimer() expired
};

class Tsignal_window {
public:
    virtual ~Tsignal_window() = default;

    // Wire the window to the code that handles its messages (GUI thread, before any post).
    virtual void bind(Tsignal_window_client* client) = 0;
    // Safe from any thread. Messages are delivered in the order they were posted.
    virtual void postWakeup() = 0;
    virtual void postStart() = 0;
    // GUI thread only. Returns the timer's id, 0 when no timer could be started.
    // The timer repeats until stopTimer(); one-shot behaviour is the caller's.
    virtual int startTimer(unsigned ms) = 0;
    virtual void stopTimer(int timer_id) = 0;
    // End the message loop.
    virtual void quit() = 0;
};
