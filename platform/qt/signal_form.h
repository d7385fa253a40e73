#pragma once

#include <QObject>

#include <mutex>

#include "platform/signal_window.h"

class QEvent;
class QTimerEvent;

// The hidden signal window of the programs: a QObject on the GUI thread that
// receives the queue's wake-ups and the start message as posted custom events
// and runs the one-shot timers as precise Qt timers.
class TSignalForm : public QObject {
public:
    TSignalForm();
    ~TSignalForm() override;

    Tsignal_window* window() { return &port; }

protected:
    void customEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    class Tport : public Tsignal_window {
    public:
        explicit Tport(TSignalForm* owner_form) : form(owner_form) {}
        void bind(Tsignal_window_client* new_client) override { client = new_client; }
        void postWakeup() override;
        void postStart() override;
        int startTimer(unsigned ms) override;
        void stopTimer(int timer_id) override;
        void quit() override;

        TSignalForm* form;
        Tsignal_window_client* client = nullptr;
    };

    Tport port;
    // Held while a message is posted and taken by its receipt, so that the
    // event a worker thread made is seen whole on the GUI thread also by a
    // race checker, which cannot see the lock inside Qt's own queue.
    std::mutex posting;
};
