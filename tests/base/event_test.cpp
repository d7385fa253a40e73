#include "base/event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/event_resource.h"
#include "platform/manual_signal_window.h"
#include "tests/support/recording_program.h"

namespace {

// Records the names of the events it receives, and can re-signal one from inside.
class Trecorder : public Tevent_resource {
public:
    void OnNotification(Tmy_event* event) override
    {
        received.emplace_back(event->getName());
        if (event == resignal_once) {
            resignal_once = nullptr;
            event->signal();
        }
        if (signal_from_handler) {
            Tmy_event* e = signal_from_handler;
            signal_from_handler = nullptr;
            e->signal();
        }
    }

    std::vector<std::string> received;
    Tmy_event* resignal_once = nullptr;
    Tmy_event* signal_from_handler = nullptr;
};

class EventQueue : public ::testing::Test {
protected:
    void SetUp() override
    {
        event_queue_attach(&window);
        window.pumpAll();  // the start message
        recorded::clear_log();
    }
    void TearDown() override
    {
        window.pumpAll();
        event_queue_detach();
    }

    Tmanual_signal_window window;
    Trecorder recorder;
};

using Names = std::vector<std::string>;

}  // namespace

TEST_F(EventQueue, DispatchesInOrderOneEventPerWakeup)
{
    Tmy_event a, b, c;
    a.init("A", &recorder);
    b.init("B", &recorder);
    c.init("C", &recorder);
    a.signal();
    EXPECT_EQ(window.postedMessages(), 1);  // the first event into an empty queue posts the wake-up
    b.signal();
    c.signal();
    EXPECT_EQ(window.postedMessages(), 1);  // one wake-up outstanding, not three

    ASSERT_TRUE(window.pumpOne());
    EXPECT_EQ(recorder.received, (Names{"A"}));
    EXPECT_EQ(window.postedMessages(), 1);  // re-posted before dispatching while events remain
    ASSERT_TRUE(window.pumpOne());
    ASSERT_TRUE(window.pumpOne());
    EXPECT_EQ(recorder.received, (Names{"A", "B", "C"}));
    EXPECT_EQ(window.postedMessages(), 0);
}

TEST_F(EventQueue, PendingEventIsDeliveredOnceAndMaySignalItselfAgain)
{
    Tmy_event a;
    a.init("A", &recorder);
    a.signal();
    a.signal();
    a.signal();
    EXPECT_EQ(window.pumpAll(), 1);
    EXPECT_EQ(recorder.received, (Names{"A"}));

    recorder.resignal_once = &a;
    a.signal();
    EXPECT_EQ(window.pumpAll(), 2);
    EXPECT_EQ(recorder.received, (Names{"A", "A", "A"}));
}

TEST_F(EventQueue, HandlerSignallingIntoEmptyQueueCausesOneWakeup)
{
    Tmy_event a, b;
    a.init("A", &recorder);
    b.init("B", &recorder);
    recorder.signal_from_handler = &b;
    a.signal();
    ASSERT_TRUE(window.pumpOne());
    EXPECT_EQ(window.postedMessages(), 1);
    ASSERT_TRUE(window.pumpOne());
    EXPECT_EQ(recorder.received, (Names{"A", "B"}));
    EXPECT_EQ(window.postedMessages(), 0);
}

TEST_F(EventQueue, EventWithoutReceiverIsDroppedAndNamesAreBounded)
{
    Tmy_event orphan;
    orphan.init("ORPHAN", nullptr);
    orphan.signal();
    EXPECT_EQ(window.pumpAll(), 1);
    EXPECT_EQ(orphan.pending, 0);
    EXPECT_STREQ(orphan.getResourceName(), "");

    Tmy_event e63, e64;
    e63.init(std::string(63, 'N').c_str(), &recorder);
    e64.init(std::string(64, 'N').c_str(), &recorder);
    EXPECT_EQ(std::string(e63.getName()), std::string(63, 'N'));
    EXPECT_STREQ(e64.getName(), "");
    e64.signal();
    window.pumpAll();
    EXPECT_EQ(recorder.received, (Names{""}));
    event_add_to_queue(nullptr, 1);
}

TEST_F(EventQueue, TraceLinesNameTheEvent)
{
    Tmy_event a;
    a.init("TRACED", &recorder);
    a.trace = 1;
    a.signal();
    EXPECT_EQ(recorded::log_lines(), (Names{"event_add_to_queue (TRACED)", "event_add_to_queue : gen_event"}));
}

TEST_F(EventQueue, DestroyedEventLeavesTheQueue)
{
    Tmy_event kept;
    kept.init("KEPT", &recorder);
    {
        Tmy_event doomed;
        doomed.init("DOOMED", &recorder);
        doomed.signal();
        kept.signal();
    }
    window.pumpAll();
    EXPECT_EQ(recorder.received, (Names{"KEPT"}));
}

TEST_F(EventQueue, RemovingAResourceDropsItsEvents)
{
    Trecorder other;
    Tmy_event mine, theirs;
    mine.init("MINE", &recorder);
    theirs.init("THEIRS", &other);
    theirs.signal();
    mine.signal();
    event_remove_resource(&other);
    window.pumpAll();
    EXPECT_EQ(recorder.received, (Names{"MINE"}));
    EXPECT_TRUE(other.received.empty());
    theirs.signal();  // no longer pending: can be queued again
    window.pumpAll();
    EXPECT_EQ(other.received, (Names{"THEIRS"}));
}

// A worker thread signals while the GUI thread dispatches: every signal made while
// its event was not pending is delivered exactly once.
TEST_F(EventQueue, WorkerSignalsAreNeitherLostNorDoubled)
{
    constexpr int count = 400;
    struct Tcounter : Tevent_resource {
        void OnNotification(Tmy_event* event) override { ++hits[event - events]; }
        Tmy_event events[count];
        int hits[count] = {};
    };
    auto counter = std::make_unique<Tcounter>();
    for (auto& e : counter->events)
        e.init("W", counter.get());

    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int round = 0; round < 3; ++round)
            for (auto& e : counter->events)
                e.signal();
        done = true;
    });
    window.pumpUntil([&] { return done.load(); }, 10000);
    worker.join();
    window.pumpAll();

    for (int i = 0; i < count; ++i) {
        EXPECT_GE(counter->hits[i], 1) << i;
        EXPECT_LE(counter->hits[i], 3) << i;
        EXPECT_EQ(counter->events[i].pending, 0) << i;
    }
    EXPECT_EQ(window.postedMessages(), 0);
}

TEST(EventQueueWindow, EventsBeforeTheWindowAreKeptAndPostsAfterItAreDropped)
{
    Trecorder recorder;
    Tmy_event early;
    early.init("EARLY", &recorder);
    early.signal();  // no window yet: no wake-up can be posted

    Tmanual_signal_window window;
    const int ready_before = recorded::application_ready_calls();
    event_queue_attach(&window);
    EXPECT_EQ(window.postedMessages(), 2);
    window.pumpAll();
    EXPECT_EQ(recorded::application_ready_calls(), ready_before + 1);  // the start routine runs first
    EXPECT_EQ(recorder.received, (Names{"EARLY"}));

    EXPECT_FALSE(window.quitRequested());
    application_terminate();
    EXPECT_TRUE(window.quitRequested());

    event_queue_detach();
    Tmy_event late;
    late.init("LATE", &recorder);
    late.signal();
    EXPECT_EQ(window.postedMessages(), 0);
    event_remove_from_queue(&late);
    Tmanual_signal_window other;
    application_terminate();  // no window: nothing to end
    EXPECT_FALSE(other.quitRequested());
}

namespace {

// Owner of a delay: counts what the delay reports.
class Tdelay_owner : public Tevent_resource {
public:
    Tdelay_owner() { delay.setOwner(this); }
    void OnNotification(Tmy_event* event) override
    {
        if (event == &delay.SUCCESS)
            success_at.push_back(static_cast<int>(clock->nowMs()));
        else if (event == &delay.CANCELLED)
            ++cancelled;
    }

    Tdelay_resource delay;
    Tmanual_signal_window* clock = nullptr;
    std::vector<int> success_at;
    int cancelled = 0;
};

class DelayResource : public EventQueue {
protected:
    void SetUp() override
    {
        EventQueue::SetUp();
        owner.clock = &window;
    }
    Tdelay_owner owner;
};

}  // namespace

TEST_F(DelayResource, ExpiresOnceAndIsNotRestartedWhileRunning)
{
    owner.delay.setDelay(500);
    window.advance(200);
    owner.delay.setDelay(500);  // ignored: a running timer is neither restarted nor shortened
    window.advance(299);
    EXPECT_TRUE(owner.success_at.empty());
    window.advance(1);
    EXPECT_EQ(owner.success_at, (std::vector<int>{500}));
    window.advance(2000);  // one-shot: the periodic platform timer was killed at expiry
    EXPECT_EQ(owner.success_at.size(), 1u);
    EXPECT_EQ(window.runningTimers(), 0);
}

TEST_F(DelayResource, ZeroDelayReportsAtTheNextDispatch)
{
    owner.delay.setDelay(0);
    EXPECT_TRUE(owner.success_at.empty());
    window.pumpAll();
    EXPECT_EQ(owner.success_at.size(), 1u);
}

TEST_F(DelayResource, StoppedTimerNeverReports)
{
    owner.delay.setDelay(100);
    owner.delay.stopTimer();
    window.advance(1000);
    owner.delay.setDelay(0);
    owner.delay.stopTimer();
    window.pumpAll();
    EXPECT_TRUE(owner.success_at.empty());
}

TEST_F(DelayResource, StaleExpiryAfterStopOrRestartIsIgnored)
{
    owner.delay.setDelay(100);
    window.advance(50);
    owner.delay.stopTimer();
    owner.delay.setDelay(300);
    delay_timer_expired(1);  // the first timer's expiry, already on its way
    EXPECT_TRUE(owner.success_at.empty());
    owner.delay.stopTimer();
    owner.delay.OnTimer();
    EXPECT_TRUE(owner.success_at.empty());

    owner.delay.setDelay(100);
    window.advance(100);
    EXPECT_EQ(owner.success_at, (std::vector<int>{150}));
}

TEST_F(DelayResource, CancelStopsTheTimerThenReportsCancelled)
{
    owner.delay.setDelay(100);
    owner.delay.CANCEL.signal();
    window.pumpAll();
    EXPECT_EQ(owner.cancelled, 1);
    window.advance(500);
    EXPECT_TRUE(owner.success_at.empty());
}

TEST_F(DelayResource, DestroyedDelayKillsItsTimer)
{
    {
        Tdelay_resource transient;
        transient.setDelay(100);
        EXPECT_EQ(window.runningTimers(), 1);
    }
    EXPECT_EQ(window.runningTimers(), 0);
    window.advance(200);
}

// A timer started before the signal window exists waits for it, then runs
// its whole period on the window and reports once; one stopped meanwhile
// never starts.
TEST(DelayResourceWithoutWindow, TimerStartedBeforeTheWindowRunsWhenItAttaches)
{
    Tdelay_owner early;
    Tdelay_owner stopped;
    early.delay.setDelay(300);
    stopped.delay.setDelay(100);
    EXPECT_TRUE(early.delay.isRunning());
    early.delay.setDelay(50);  // ignored while it waits, as while it runs
    stopped.delay.stopTimer();
    EXPECT_FALSE(stopped.delay.isRunning());

    Tmanual_signal_window window;
    early.clock = &window;
    stopped.clock = &window;
    event_queue_attach(&window);
    window.pumpAll();
    EXPECT_EQ(window.runningTimers(), 1);
    window.advance(299);
    EXPECT_TRUE(early.success_at.empty());
    window.advance(1);
    EXPECT_EQ(early.success_at, (std::vector<int>{300}));
    window.advance(1000);
    EXPECT_EQ(early.success_at.size(), 1u);
    EXPECT_TRUE(stopped.success_at.empty());
    EXPECT_FALSE(early.delay.isRunning());
    event_queue_detach();
}

TEST(DelayResourceWithoutWindow, DestroyedWaitingTimerNeverStarts)
{
    {
        Tdelay_resource transient;
        transient.setDelay(100);
    }
    Tmanual_signal_window window;
    event_queue_attach(&window);
    window.pumpAll();
    EXPECT_EQ(window.runningTimers(), 0);
    event_queue_detach();
}

// A window that has no timer to give.
class Tno_timer_window : public Tmanual_signal_window {
public:
    int startTimer(unsigned) override { return 0; }
};

TEST(DelayResourceWithoutWindow, TimerThatCannotStartSaysSo)
{
    Tno_timer_window window;
    event_queue_attach(&window);
    window.pumpAll();
    recorded::clear_log();
    Tdelay_resource delay;
    delay.setDelay(100);
    EXPECT_FALSE(delay.isRunning());
    EXPECT_TRUE(recorded::log_contains("ERROR : delay : timer of 100 ms could not be started"));
    event_queue_detach();
}

namespace {

// The worked example of the driving protocol: 0 -START-> 100 (request, timer),
// 100 -ANSWER-> 200, 100 -timer-> 900.
class Tworked_sequence : public Tsequence {
public:
    Tworked_sequence()
    {
        START.init("START", this);
        ANSWER.init("ANSWER", this);
        delay.setOwner(this);
    }

    void OnNotification(Tmy_event* event) override
    {
        if (!event)
            return;
        beginEvent(event);
        do {
            switch (state) {
            case 0:
                onEvent(&START, 100);
                break;
            case 100:
                if (consumed) {
                    ++requests;
                    delay.setDelay(2000);
                }
                onEvent(&ANSWER, 200);
                onEvent(&delay.SUCCESS, 900);
                break;
            case 200:
                if (consumed)
                    delay.stopTimer();
                break;
            case 900:
                if (consumed)
                    ++timeouts;
                break;
            default:
                break;
            }
        } while (advance());
        Tsequence::OnNotification(event);
    }

    Tmy_event START, ANSWER;
    Tdelay_resource delay;
    int requests = 0;
    int timeouts = 0;
};

}  // namespace

TEST_F(EventQueue, SequenceMakesOneTransitionPerCall)
{
    Tworked_sequence seq;
    seq.START.signal();
    window.pumpAll();
    EXPECT_EQ(seq.state, 100);
    EXPECT_EQ(seq.requests, 1);
    window.advance(2000);
    EXPECT_EQ(seq.state, 900);
    EXPECT_EQ(seq.timeouts, 1);

    Tworked_sequence answered;
    answered.START.signal();
    window.pumpAll();
    answered.ANSWER.signal();
    window.pumpAll();
    EXPECT_EQ(answered.state, 200);
    window.advance(5000);
    EXPECT_EQ(answered.state, 200);  // the answer stopped the timer
}

TEST(Sequence, DrivingOperations)
{
    Tsequence seq;
    Tmy_event e;
    seq.state = 100;
    seq.beginEvent(&e);
    EXPECT_FALSE(seq.onEvent(&seq.SUCCESS, 200));
    EXPECT_TRUE(seq.onEvent(&e, -1));
    EXPECT_EQ(seq.next_state, 100);
    EXPECT_FALSE(seq.advance());
    EXPECT_FALSE(seq.onEvent(&e, 300));  // consumed after the first pass

    seq.beginEvent(&e);
    EXPECT_TRUE(seq.onEvent(&e, 300));
    seq.setNextState(400);
    EXPECT_TRUE(seq.advance());
    EXPECT_EQ(seq.state, 400);
    EXPECT_FALSE(seq.advance());
}

TEST(EventResource, OwnersNamesAndStop)
{
    Tmanual_signal_window window;
    event_queue_attach(&window);
    window.pumpAll();

    Tsequence seq;
    Tevent_resource a, b;
    EXPECT_FALSE(seq.setOwner(nullptr));
    EXPECT_TRUE(seq.setOwner(&a));
    EXPECT_TRUE(seq.setOwner(&a));
    EXPECT_FALSE(seq.setOwner(&b));
    seq.clearOwner(&b);
    EXPECT_EQ(seq.owner, &a);

    seq.stop(&b);
    EXPECT_EQ(window.postedMessages(), 0);
    seq.stop(&a);
    EXPECT_EQ(seq.STOP.pending, 1);
    seq.clearOwner(&a);
    EXPECT_EQ(seq.owner, nullptr);
    window.pumpAll();
    seq.stop(nullptr);  // an owner-less sequence is stopped by a null requester
    EXPECT_EQ(seq.STOP.pending, 1);
    window.pumpAll();

    EXPECT_STREQ(seq.getParameter("name"), "");
    seq.setParameter("NAME", "master");
    EXPECT_STREQ(seq.getParameter("Name"), "master");
    EXPECT_STREQ(seq.getParameter("other"), "");
    EXPECT_STREQ(seq.STOP.getResourceName(), "master");
    EXPECT_EQ(seq.getIntParameter("name"), 0);
    seq.setParameter(nullptr, "x");
    EXPECT_STREQ(Tdelay_resource().getParameter("name"), "delay");
    event_queue_detach();
}
