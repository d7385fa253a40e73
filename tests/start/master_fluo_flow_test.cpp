// The flow measurement's own arithmetic and its log block, without a link.

#include <gtest/gtest.h>

#include <string>

#include "base/my_string.h"
#include "base/time_calendar.h"
#include "calibration/fluo_sample.h"
#include "programs/start/master_fluo_flow.h"
#include "tests/support/recording_program.h"

namespace {

uint32_t fake_now = 0;
unsigned fake_clock() { return fake_now; }

class FlowMeasure : public ::testing::Test {
protected:
    void TearDown() override { time_set_clock(nullptr); }
    void sampleAt(uint32_t t, float a, float c)
    {
        fake_now = t;
        time_set_clock(fake_clock);
        Tfluo_measure measure;
        measure.reset();
        if (a >= 0)
            measure.setLamp('A', 10.0f, a);
        if (c >= 0)
            measure.setLamp('C', 10.0f, c);
        flow.onMeasure(measure);
    }
    std::string lastArea() const
    {
        std::string area = "none";
        for (const auto& call : recorded::gui_calls())
            if (call.first == 2000)
                area = call.second;
        return area;
    }
    Tmaster_fluo_flow flow;
};

TEST_F(FlowMeasure, TheAreaIsTheTrapezoidOfTheFollowedLamp)
{
    flow.reset();
    sampleAt(1000, 5.0f, 100.0f);
    EXPECT_EQ(lastArea(), "");  // no previous point: no area yet
    sampleAt(1010, 7.0f, 200.0f);  // lamp C is followed, lamp A ignored
    EXPECT_EQ(lastArea(), "1500.00 [mV*s]");
    EXPECT_EQ(flow.mv_series.count(), 2u);

    // A sample without a lamp value is no point and no step.
    sampleAt(1020, -1.0f, -1.0f);
    EXPECT_EQ(flow.mv_series.count(), 2u);
    EXPECT_EQ(lastArea(), "1500.00 [mV*s]");
}

TEST_F(FlowMeasure, PpbNeedsAValidCalibration)
{
    flow.setChartUnit(1);
    EXPECT_EQ(flow.chart_unit, 0);
}

TEST_F(FlowMeasure, TheLogBlockQuotesItsTimeAndGivesTheIsoTimeAtPlusOneHour)
{
    Tfluo_measure measure;
    measure.reset();
    measure.setLamp('A', 1.0f, 2.0f);
    measure.time = 1700000000;
    Tmy_string block;
    Tmaster_fluo_flow::logBlock(measure, &block);
    const std::string text = block.c_str();
    EXPECT_EQ(text.rfind("<time v=\"1700000000\" iso=\"2023-11-14T23:13:20+01:00\">\n<a21 type=\"fluorometer\"", 0), 0u)
        << text;
    EXPECT_EQ(text.substr(text.size() - 8), "</time>\n");
}

}  // namespace
