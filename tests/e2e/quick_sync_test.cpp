// The quick sync from the master down to the simulated logger, with the
// computer's clock in the test's hand.
#include <atomic>

#include "base/time_calendar.h"
#include "tests/e2e/operations_fixture.h"

namespace {

using operations_test::master_cancelled;
using operations_test::master_error;
using operations_test::master_success;

const sim::Command var_set{sim::port::gtp, sim::gtp::var_set};
const sim::Command var_get{sim::port::gtp, sim::gtp::var_get};

constexpr unsigned pc_start = 1000000000;  // a multiple of 900 plus 100
std::atomic<unsigned> pc_time{pc_start};

unsigned test_clock()
{
    return pc_time.load();
}

class QuickSync : public operations_test::Operations {
protected:
    void SetUp() override
    {
        pc_time = pc_start;
        time_set_clock(test_clock);
        Operations::SetUp();
    }
    void TearDown() override { time_set_clock(nullptr); }

    void setLogger(uint32_t clock, uint32_t acq_next, uint32_t gsm_next)
    {
        logger.update([=](sim::State& s) {
            s.clock.set(clock);
            s.clock.setRunning(false);
            s.variables[sim::var::acq_next] = acq_next;
            s.variables[sim::var::gsm_next] = gsm_next;
        });
    }

    uint32_t loggerClock()
    {
        return logger.read([](const sim::State& s) { return s.clock.now(); });
    }

    // The ids of the variables written, in order.
    std::vector<uint8_t> writtenIds()
    {
        std::vector<uint8_t> ids;
        for (const sim::Received& frame : logger.received())
            if (frame.port == sim::port::gtp && frame.command() == sim::gtp::var_set && !frame.body().empty())
                ids.push_back(frame.body()[0]);
        return ids;
    }
};

TEST_F(QuickSync, TheGridOfAQuarterHourLeavesAClockCloseEnoughRunning)
{
    setLogger(pc_start - 5, 7, 8);
    master.start_quick_sync(900);
    EXPECT_EQ(finish(), master_success);
    EXPECT_EQ(loggerVariable(sim::var::acq_next), 1000000800u);
    const uint32_t gsm_next = loggerVariable(sim::var::gsm_next);
    EXPECT_GE(gsm_next, 1000000830u);
    EXPECT_LE(gsm_next, 1000000851u);
    // No stale clock written back.
    EXPECT_EQ(loggerClock(), pc_start - 5);
    const std::vector<uint8_t> written = {sim::var::gsm_next, sim::var::acq_next};
    EXPECT_EQ(writtenIds(), written);
    const std::vector<std::string> expected = {master_success};
    EXPECT_EQ(recorded::log_lines(), expected);
}

TEST_F(QuickSync, ALaggingClockGetsTheComputersTimeOfTheMomentItIsWritten)
{
    setLogger(pc_start - 11, 7, 8);
    logger.update([](sim::State& s) { s.misbehaviour.pending[var_set] = sim::LateRule{true, {}}; });
    master.start_quick_sync(3600);
    // Time passes on the computer while the logger holds its first answer.
    ASSERT_TRUE(pump.untilLogged("INFO  : PENDING........"));
    logger.update([](sim::State& s) { s.misbehaviour.pending.clear(); });
    pc_time += 40;
    logger.releaseLate();
    EXPECT_EQ(finish(true), master_success);
    EXPECT_EQ(loggerClock(), pc_start + 40);
    EXPECT_EQ(loggerVariable(sim::var::acq_next), pc_start - pc_start % 3600 + 3600);
}

TEST_F(QuickSync, AnotherPeriodKeepsTimesStillAhead)
{
    setLogger(pc_start, pc_start + 500, pc_start + 600);
    master.start_quick_sync(0);
    EXPECT_EQ(finish(), master_success);
    EXPECT_EQ(loggerVariable(sim::var::acq_next), pc_start + 500);
    EXPECT_EQ(loggerVariable(sim::var::gsm_next), pc_start + 600);

    // Past ones are moved two hours on the hour grid and after it.
    setLogger(pc_start, pc_start - 1, pc_start - 1);
    master.start_quick_sync(0);
    EXPECT_EQ(finish(), master_success);
    const uint32_t acq_next = pc_start - pc_start % 3600 + 7200;
    EXPECT_EQ(loggerVariable(sim::var::acq_next), acq_next);
    EXPECT_GE(loggerVariable(sim::var::gsm_next), acq_next + 300);
    EXPECT_LT(loggerVariable(sim::var::gsm_next), acq_next + 700);
}

TEST_F(QuickSync, AFailedReadEndsInErrorWithNothingWritten)
{
    setLogger(pc_start, 7, 8);
    logger.update([](sim::State& s) { s.misbehaviour.refuse.insert(var_get); });
    master.start_quick_sync(900);
    EXPECT_EQ(finish(true), master_error);
    EXPECT_TRUE(writtenIds().empty());
    EXPECT_EQ(loggerVariable(sim::var::acq_next), 7u);
}

TEST_F(QuickSync, ACancelWhileAWriteIsAnsweredLateEndsCancelled)
{
    setLogger(pc_start, 7, 8);
    logger.update([](sim::State& s) { s.misbehaviour.pending[var_set] = sim::LateRule{true, {}}; });
    master.start_quick_sync(900);
    ASSERT_TRUE(waitExecuted(var_set, 1));
    master.STOP.signal();
    EXPECT_EQ(finish(), master_cancelled);
    EXPECT_EQ(module.state, 0);
    EXPECT_EQ(loggerVariable(sim::var::acq_next), 7u);
}

TEST_F(QuickSync, TheTwelveHourAndDayGridsNeverSetATimeInThePast)
{
    struct Case {
        uint32_t period;
        uint32_t now;
        uint32_t acq_next;
        uint32_t gsm_spread;
    };
    constexpr uint32_t midnight = 1000080000;  // 2001-09-10 00:00 UTC, a multiple of 86400
    const Case cases[] = {
        // 23:20 UTC: the grid times of the day (11:00, 23:00) are past; the next day's come.
        {43200, midnight + 84000, midnight + 86400 + 39600, 400},
        {86400, midnight + 84000, midnight + 86400 + 82800, 800},
        // Earlier in the period the grid time is still ahead and stays.
        {43200, midnight + 3600, midnight + 39600, 400},
        {86400, midnight + 3600, midnight + 82800, 800},
        // Exactly on the grid time: that moment is not ahead.
        {86400, midnight + 82800, midnight + 86400 + 82800, 800},
        // The shorter grids as they were.
        {900, midnight + 84000, midnight + 84600, 22},
        {3600, midnight + 84000, midnight + 86400, 180},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("period " + std::to_string(c.period) + " now " + std::to_string(c.now));
        pc_time = c.now;
        setLogger(c.now, 7, 8);
        master.start_quick_sync(c.period);
        EXPECT_EQ(finish(), master_success);
        EXPECT_EQ(loggerVariable(sim::var::acq_next), c.acq_next);
        const uint32_t gsm_next = loggerVariable(sim::var::gsm_next);
        EXPECT_GE(gsm_next, c.acq_next + 30);
        EXPECT_LT(gsm_next, c.acq_next + 30 + c.gsm_spread);
    }
}

}  // namespace
