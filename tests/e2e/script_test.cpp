// Scripts through the master: every record written as a variable on the
// simulated logger, and the ends that must not count as done.
#include "tests/e2e/operations_fixture.h"

namespace {

using operations_test::master_cancelled;
using operations_test::master_error;
using operations_test::master_success;
using operations_test::Operations;

const sim::Command var_set{sim::port::gtp, sim::gtp::var_set};

TEST_F(Operations, ScriptWritesEachRecordThenEndsAtTheFirstOtherOne)
{
    // Interval 0 := 900, interval 1 := 0x01020304, then a record of kind 02 ends it.
    master.start_script("010100000384\r\n01040102030402030000000A");
    EXPECT_EQ(finish(), master_success);
    EXPECT_EQ(loggerVariable(sim::var::acq_interval0), 900u);
    EXPECT_EQ(loggerVariable(sim::var::acq_interval1), 0x01020304u);
    EXPECT_EQ(logger.executions(var_set), 2u);
}

TEST_F(Operations, ScriptRecordsThatAreCutOrNotHexFailWithoutBeingRun)
{
    struct Tcase {
        const char* script;
        const char* log;
    };
    const Tcase cases[] = {
        {"010100000384010400", "ERROR : master : script record at 12 cut short"},
        {"0101000003840104XX000001", "ERROR : master : script record at 12 is not hex"},
    };
    for (const Tcase& c : cases) {
        SCOPED_TRACE(c.script);
        logger.update([](sim::State& s) { s.variables[sim::var::acq_interval1] = 7; });
        logger.clearReceived();
        recorded::clear_log();
        master.start_script(c.script);
        EXPECT_EQ(finish(), master_error);
        EXPECT_TRUE(logged(c.log));
        EXPECT_EQ(loggerVariable(sim::var::acq_interval0), 900u);
        EXPECT_EQ(loggerVariable(sim::var::acq_interval1), 7u);
    }
}

TEST_F(Operations, ARefusedWriteFailsTheScript)
{
    logger.update([](sim::State& s) { s.misbehaviour.refuse.insert(var_set); });
    master.start_script("010100000384");
    EXPECT_EQ(finish(), master_error);
}

TEST_F(Operations, ACancelledScriptIsCancelledNotDone)
{
    logger.update([](sim::State& s) { s.misbehaviour.drop_answers_to.insert(var_set); });
    master.start_script("010100000384010400000001");
    ASSERT_TRUE(waitExecuted(var_set, 1));
    master.STOP.signal();
    EXPECT_EQ(finish(), master_cancelled);
    EXPECT_NE(loggerVariable(sim::var::acq_interval1), 1u);
}

}  // namespace
