#include "platform/qt/signal_form.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "base/event.h"
#include "base/event_resource.h"
#include "tests/support/recording_program.h"

namespace {

class Tcollector : public Tevent_resource {
public:
    void OnNotification(Tmy_event* event) override { names.emplace_back(event->getName()); }
    std::vector<std::string> names;
};

class Ttimed_owner : public Tevent_resource {
public:
    void OnNotification(Tmy_event* event) override
    {
        if (event == &delay->SUCCESS)
            ++expired;
    }
    Tdelay_resource* delay = nullptr;
    int expired = 0;
};

// Runs the Qt event loop until the condition holds (or a generous limit passes).
bool process_until(const std::function<bool()>& done)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done() && elapsed.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

class SignalForm : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "signal_form_test";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
    }
    void SetUp() override { event_queue_attach(form.window()); }
    void TearDown() override { event_queue_detach(); }

    TSignalForm form;
};

}  // namespace

TEST_F(SignalForm, StartsTheProgramThenDispatchesEventsInOrder)
{
    const int ready_before = recorded::application_ready_calls();
    Tcollector collector;
    Tmy_event a, b;
    a.init("A", &collector);
    b.init("B", &collector);
    a.signal();
    b.signal();
    ASSERT_TRUE(process_until([&] { return collector.names.size() == 2; }));
    EXPECT_EQ(recorded::application_ready_calls(), ready_before + 1);
    EXPECT_EQ(collector.names, (std::vector<std::string>{"A", "B"}));
}

TEST_F(SignalForm, EventsSignalledByAWorkerArriveOnTheGuiThread)
{
    Tcollector collector;
    Tmy_event from_worker;
    from_worker.init("WORKER", &collector);
    std::thread worker([&] { from_worker.signal(); });
    worker.join();
    ASSERT_TRUE(process_until([&] { return !collector.names.empty(); }));
    EXPECT_EQ(collector.names, (std::vector<std::string>{"WORKER"}));
}

TEST_F(SignalForm, DelayExpiresOnceOverAPreciseTimer)
{
    Ttimed_owner owner;
    Tdelay_resource delay;
    owner.delay = &delay;
    delay.setOwner(&owner);
    delay.setDelay(20);
    EXPECT_TRUE(delay.isRunning());
    ASSERT_TRUE(process_until([&] { return owner.expired > 0; }));
    EXPECT_FALSE(delay.isRunning());
    // Given time for a second expiry, none comes: the timer was killed at the first.
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < 100)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(owner.expired, 1);
}
