#include "platform/qt/signal_form.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimerEvent>

namespace {

const QEvent::Type wakeup_event = static_cast<QEvent::Type>(QEvent::User + 0x140);
const QEvent::Type start_event = static_cast<QEvent::Type>(QEvent::User + 0x141);

}  // namespace

TSignalForm::TSignalForm() : port(this)
{
    setObjectName("SignalForm");
}

TSignalForm::~TSignalForm() = default;

void TSignalForm::customEvent(QEvent* event)
{
    {
        std::lock_guard<std::mutex> posted(posting);
    }
    if (!port.client)
        return;
    if (event->type() == wakeup_event)
        port.client->onWakeup();
    else if (event->type() == start_event)
        port.client->onStart();
}

void TSignalForm::timerEvent(QTimerEvent* event)
{
    if (port.client && event->timerId() != 0)
        port.client->onTimer(event->timerId());
}

// Posted events of equal priority keep their order, and posting is safe from any thread.
void TSignalForm::Tport::postWakeup()
{
    std::lock_guard<std::mutex> hold(form->posting);
    QCoreApplication::postEvent(form, new QEvent(wakeup_event));
}

void TSignalForm::Tport::postStart()
{
    std::lock_guard<std::mutex> hold(form->posting);
    QCoreApplication::postEvent(form, new QEvent(start_event));
}

int TSignalForm::Tport::startTimer(unsigned ms)
{
    const int id = form->startTimer(static_cast<int>(ms), Qt::PreciseTimer);
    return id > 0 ? id : 0;
}

void TSignalForm::Tport::stopTimer(int timer_id)
{
    form->killTimer(timer_id);
}

void TSignalForm::Tport::quit()
{
    QCoreApplication::quit();
}
