#include "base/background_job.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

#include "base/event.h"
#include "platform/manual_signal_window.h"

namespace {

// A gate the work waits at until the test opens it.
class Tgate {
public:
    void open()
    {
        std::lock_guard<std::mutex> hold(lock);
        opened = true;
        changed.notify_all();
    }
    void wait()
    {
        std::unique_lock<std::mutex> hold(lock);
        changed.wait(hold, [this] { return opened; });
    }

private:
    std::mutex lock;
    std::condition_variable changed;
    bool opened = false;
};

// The test's thread plays the GUI thread; the manual window is its loop.
class BackgroundJob : public ::testing::Test {
protected:
    void SetUp() override
    {
        event_queue_attach(&window);
        window.pumpAll();
    }
    void TearDown() override
    {
        job.abandon();
        window.pumpAll();
        event_queue_detach();
    }

    bool pumpUntilHandedOver(const bool& handed_over) { return window.pumpUntil([&] { return handed_over; }, 20000); }

    Tmanual_signal_window window;
    Tbackground_job job{"TEST_JOB_DONE"};
};

}  // namespace

// The result made on the worker reaches the hand-over whole, on the GUI
// thread, and a result that can only be moved is moved there.
TEST_F(BackgroundJob, TheResultIsHandedOverIntactOnTheGuiThread)
{
    const std::thread::id gui = std::this_thread::get_id();
    std::thread::id worked_on;
    std::unique_ptr<std::vector<int>> received;
    std::thread::id handed_over_on;
    bool handed_over = false;
    ASSERT_TRUE(job.start(
        [count = 200000, &worked_on] {
            worked_on = std::this_thread::get_id();
            auto values = std::make_unique<std::vector<int>>(count);
            std::iota(values->begin(), values->end(), 0);
            return values;
        },
        [&](std::unique_ptr<std::vector<int>> values) {
            handed_over_on = std::this_thread::get_id();
            received = std::move(values);
            handed_over = true;
        }));
    EXPECT_TRUE(job.running());
    ASSERT_TRUE(pumpUntilHandedOver(handed_over));
    EXPECT_FALSE(job.running());
    EXPECT_NE(worked_on, gui);
    EXPECT_EQ(handed_over_on, gui);
    ASSERT_NE(received, nullptr);
    ASSERT_EQ(received->size(), 200000u);
    for (size_t i = 0; i < received->size(); ++i)
        ASSERT_EQ((*received)[i], static_cast<int>(i));
}

// While work runs a second start is refused: nothing of it runs, and what
// its work owned goes at once.
TEST_F(BackgroundJob, ASecondStartIsRefusedWhileOneRuns)
{
    Tgate gate;
    bool first_handed_over = false;
    ASSERT_TRUE(job.start(
        [&gate] {
            gate.wait();
            return 1;
        },
        [&](int value) { first_handed_over = value == 1; }));
    auto owned = std::make_shared<int>(7);
    std::weak_ptr<int> watched = owned;
    bool second_ran = false;
    EXPECT_FALSE(job.start(
        [owned = std::move(owned), &second_ran] {
            second_ran = true;
            return 2;
        },
        [&](int) { second_ran = true; }));
    EXPECT_TRUE(watched.expired());
    EXPECT_TRUE(job.running());
    gate.open();
    ASSERT_TRUE(pumpUntilHandedOver(first_handed_over));
    window.pumpAll();
    EXPECT_FALSE(second_ran);
}

// Abandon returns only once the work has ended, and its hand-over never runs,
// not even when the posted event would have been dispatched.
TEST_F(BackgroundJob, AbandonWaitsForTheWorkAndDropsTheHandOver)
{
    Tgate gate;
    std::atomic<bool> started{false};
    std::atomic<bool> finished{false};
    bool handed_over = false;
    ASSERT_TRUE(job.start(
        [&] {
            started = true;
            gate.wait();
            finished = true;
        },
        [&] { handed_over = true; }));
    // Opened from another thread once the work waits, while abandon waits.
    std::thread opener([&] {
        while (!started)
            std::this_thread::yield();
        gate.open();
    });
    job.abandon();
    EXPECT_TRUE(finished);
    EXPECT_FALSE(job.running());
    opener.join();
    window.pumpAll();
    EXPECT_FALSE(handed_over);
}

// A hand-over may start the next job on the same object; that one's result
// comes in its own hand-over.
TEST_F(BackgroundJob, AHandOverStartsTheNextJob)
{
    std::vector<int> results;
    bool next_started = false;
    bool all_handed_over = false;
    ASSERT_TRUE(job.start([] { return 1; },
                          [&](int first) {
                              results.push_back(first);
                              next_started = job.start([first] { return first + 1; },
                                                       [&](int second) {
                                                           results.push_back(second);
                                                           all_handed_over = true;
                                                       });
                          }));
    ASSERT_TRUE(pumpUntilHandedOver(all_handed_over));
    EXPECT_TRUE(next_started);
    EXPECT_EQ(results, (std::vector<int>{1, 2}));
    EXPECT_FALSE(job.running());
}

// finishNow waits and runs the hand-over at once, on the caller; the posted
// event then finds nothing to hand over.
TEST_F(BackgroundJob, FinishNowRunsTheHandOverOnceAndAtOnce)
{
    int hand_overs = 0;
    int received = 0;
    ASSERT_TRUE(job.start([] { return 42; },
                          [&](int value) {
                              ++hand_overs;
                              received = value;
                          }));
    job.finishNow();
    EXPECT_EQ(hand_overs, 1);
    EXPECT_EQ(received, 42);
    EXPECT_FALSE(job.running());
    window.pumpAll();
    EXPECT_EQ(hand_overs, 1);
}
