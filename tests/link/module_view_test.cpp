#include "link/module_view.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/parse.h"
#include "tests/base/time_test_support.h"
#include "tests/support/recording_program.h"

namespace {

class ModuleView : public ::testing::Test {
protected:
    void SetUp() override { recorded::clear_log(); }

    Tmodule_view view;
};

// The three tables behave alike: one row per table.
struct Ttable {
    const char* name;
    std::function<void(Tmodule_view&, int, uint32_t)> write;
    std::function<void(Tmodule_view&, int)> subscribe;
    std::function<uint8_t(Tmodule_view&, int)> take;
    std::function<const Tmodule_view_item&(const Tmodule_view&, int)> item;
};

const std::vector<Ttable>& tables()
{
    static const std::vector<Ttable> all = {
        {"ACQ", [](Tmodule_view& v, int i, uint32_t x) { v.setAcqValue(i, x); },
         [](Tmodule_view& v, int i) { v.subscribeAcq(i); }, [](Tmodule_view& v, int i) { return v.takeAcqUpdated(i); },
         [](const Tmodule_view& v, int i) -> const Tmodule_view_item& { return v.acqItem(i); }},
        {"VAR", [](Tmodule_view& v, int i, uint32_t x) { v.setVarValue(i, x); },
         [](Tmodule_view& v, int i) { v.subscribeVar(i); }, [](Tmodule_view& v, int i) { return v.takeVarUpdated(i); },
         [](const Tmodule_view& v, int i) -> const Tmodule_view_item& { return v.varItem(i); }},
        {"STATUS", [](Tmodule_view& v, int i, uint32_t x) { v.setStatusValue(i, x); },
         [](Tmodule_view& v, int i) { v.subscribeStatus(i); },
         [](Tmodule_view& v, int i) { return v.takeStatusUpdated(i); },
         [](const Tmodule_view& v, int i) -> const Tmodule_view_item& { return v.statusItem(i); }},
    };
    return all;
}

TEST_F(ModuleView, WritesMarkUpdatedAndOnlySubscribedItemsSetTheChangeFlag)
{
    for (const Ttable& table : tables()) {
        SCOPED_TRACE(table.name);
        Tmodule_view fresh;
        table.write(fresh, 7, 1234);
        EXPECT_EQ(table.item(fresh, 7).value, 1234u);
        EXPECT_EQ(fresh.takeChanged(), 0);
        EXPECT_EQ(table.take(fresh, 7), 1);
        EXPECT_EQ(table.take(fresh, 7), 0);

        table.subscribe(fresh, 255);
        table.write(fresh, 255, 5);
        EXPECT_EQ(fresh.takeChanged(), 1);
        EXPECT_EQ(fresh.takeChanged(), 0);

        fresh.unsubscribeAll();
        table.write(fresh, 255, 6);
        EXPECT_EQ(fresh.takeChanged(), 0);
    }
}

TEST_F(ModuleView, IndexesOutsideTheTablesAreIgnored)
{
    for (const Ttable& table : tables()) {
        SCOPED_TRACE(table.name);
        Tmodule_view fresh;
        for (int index : {-1, 256, 100000}) {
            table.subscribe(fresh, index);
            table.write(fresh, index, 9);
            EXPECT_EQ(table.take(fresh, index), 0);
            EXPECT_EQ(table.item(fresh, index).value, 0u);
        }
        EXPECT_EQ(fresh.takeChanged(), 0);
    }
}

TEST_F(ModuleView, SubValueOutsideItsRangeStoresNothingButStillReportsASubscribedItem)
{
    view.subscribeAcq(21);
    view.setAcqSubValue(21, 10, 1.5f);
    EXPECT_EQ(view.takeAcqUpdated(21), 0);
    EXPECT_EQ(view.takeChanged(), 1);

    view.setAcqSubValue(21, 9, 2.5f);
    EXPECT_EQ(view.takeAcqUpdated(21), 1);
    EXPECT_FLOAT_EQ(view.acqSubValue(21, 9), 2.5f);
    EXPECT_FLOAT_EQ(view.acqSubValue(21, -1), float_undefined());
}

TEST_F(ModuleView, ClearingAcqValuesMarksThemUndefinedAndKeepsTheUpdatedFlag)
{
    view.setAcqValue(21, 0x3F800000u);
    view.setAcqSubValue(21, 0, 4.0f);
    view.clearAcqValues(21);
    EXPECT_TRUE(float_is_undefined(view.acqValue(21)));
    for (int k = 0; k < Tmodule_view::sub_value_count; ++k)
        EXPECT_TRUE(float_is_undefined(view.acqSubValue(21, k))) << k;
    EXPECT_EQ(view.takeAcqUpdated(21), 1);

    view.clearAcqValues(22);
    EXPECT_EQ(view.takeAcqUpdated(22), 0);
}

TEST_F(ModuleView, ClearValidForgetsTimeAndFieldsButKeepsPresence)
{
    view.setTime(1000, 990);
    view.setPresent(STATUS_MMS_PT, 1);
    view.setStatus(STATUS_MMS_PT, 77);
    EXPECT_EQ(view.clockOffset(), 10);
    view.clearValid();
    EXPECT_FALSE(view.timeValid());
    EXPECT_EQ(view.status(STATUS_MMS_PT).valid, 0);
    EXPECT_EQ(view.status(STATUS_MMS_PT).present, 1);
    view.setTime(990, 1000);
    EXPECT_EQ(view.clockOffset(), -10);
}

TEST_F(ModuleView, PrintStatusOfAFreshViewShowsOnlyTheUnknownTime)
{
    view.printStatus();
    EXPECT_EQ(recorded::log_lines(), (std::vector<std::string>{"------------------------------------------------",
                                                               "------  TIME            XXXX-XX-XX XX:XX:XX"}));
}

TEST_F(ModuleView, PrintStatusShowsPresentFieldsAndSubscribedItems)
{
    Tpinned_time_zone zone("UTC0");
    const unsigned when = utc_seconds(2026, 3, 7, 14, 5, 9);  // a Saturday
    view.setTime(when, when);
    view.setPresentAll(1);
    view.setStatus(STATUS_ACQ, 1);
    view.setStatus(STATUS_ACQ_NEXT, when);
    view.setStatus(STATUS_ACQ_INTERVAL0, 0xFFFFFFFFu);  // shown signed
    view.setStatus(STATUS_ACQ_MODE, 0);
    view.setStatus(STATUS_GSM, 0);
    view.setStatus(STATUS_NEXT_DOWNLOAD_ADDRESS, 0x80000000u);
    view.setStatus(STATUS_SYSTEM_INFO, 0xAB);
    view.setStatus(STATUS_NVFLAGS, 3);
    view.subscribeStatus(3);
    view.subscribeAcq(21);
    view.setStatusValue(3, 812);
    view.printStatus();

    const std::vector<std::string> expected = {
        "------------------------------------------------",
        "------  TIME            Sat 2026-Mar-07 14:05:09, " + std::to_string(when),
        "------  ACQ             ENABLED",
        "------  ACQ_NEXT        Sat 2026-Mar-07 14:05:09, " + std::to_string(when),
        "------  ACQ_INTERVAL0   -1",
        "------  ACQ_INTERVAL1   ?",
        "------  ACQ_MODE        SLOW",
        "------  GSM             disabled",
        "------  GSM_NEXT        ?",
        "------  GSM_NEXT_OFF    ?",
        "------  GSM_INTERVAL    ?",
        "------  GSM_DURATION    ?",
        "------  MMS_PT          ?",
        "------  LAST_BLOCK      ?",
        "------  NEXT_DOWNLOAD_ADDRESS      2147483648",
        "------  STATION_ID      ?",
        "------  SYSTEM_INFO     x000000AB",
        " ---- ACQ_items[021  x15]   header=000 x00   updated=0  subscribed=1",
        " ---- STATUS_items[003  x03]   header=000 x00   updated=1  subscribed=1",
    };
    EXPECT_EQ(recorded::log_lines(), expected);
}

TEST_F(ModuleView, PrintStatusMarksAbsentAcqFieldsAsUnknownWithTheirOwnSpelling)
{
    view.setPresent(STATUS_ACQ, 1);
    view.setPresent(STATUS_ACQ_NEXT, 1);
    view.setPresent(STATUS_ACQ_MODE, 1);
    view.printStatus();
    const std::vector<std::string> lines = recorded::log_lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2], "------  ACQ             ?EN?");
    EXPECT_EQ(lines[3], "------  ACQ_NEXT       ?");
    EXPECT_EQ(lines[4], "------  ACQ_MODE        ??");
}

}  // namespace
