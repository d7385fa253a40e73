#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>

#include "platform/signal_window.h"

// A signal window without a message loop, for tests and tools: posted messages
// wait in a FIFO until the owner pumps them (posting is safe from any thread),
// and timers run on a virtual millisecond clock that only advance() moves.
class Tmanual_signal_window : public Tsignal_window {
public:
    void bind(Tsignal_window_client* new_client) override;
    void postWakeup() override;
    void postStart() override;
    int startTimer(unsigned ms) override;
    void stopTimer(int timer_id) override;
    void quit() override;

    // Deliver one posted message, without waiting; false when none was posted.
    bool pumpOne();
    // Deliver posted messages until none is left; returns how many were delivered.
    int pumpAll();
    // Deliver posted messages, waiting for more (real time), until done() holds or
    // timeout_ms passed. Returns done().
    bool pumpUntil(const std::function<bool()>& done, int timeout_ms);
    // Move the virtual clock on by ms: every timer that falls due fires in deadline
    // order (periodic timers re-arm), with the posted messages pumped after each.
    void advance(unsigned ms);

    unsigned long long nowMs() const { return now_ms; }
    bool quitRequested() const;
    int runningTimers() const;
    // Posted messages not yet delivered.
    int postedMessages() const;

private:
    enum class Tmessage { wakeup, start };
    struct Ttimer {
        unsigned interval;
        unsigned long long deadline;
    };

    void deliver(Tmessage message);

    Tsignal_window_client* client = nullptr;
    mutable std::mutex lock;
    std::condition_variable posted;
    std::deque<Tmessage> messages;
    bool quit_requested = false;

    // Timers are GUI-thread only: no lock.
    std::map<int, Ttimer> timers;
    int next_timer_id = 1;
    unsigned long long now_ms = 0;
};
