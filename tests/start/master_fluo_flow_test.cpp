// The flow measurement's own arithmetic, its ppb series and its log block, and
// the live view's conversion, without a link.

#include <gtest/gtest.h>

#include <string>

#include "base/my_string.h"
#include "base/time_calendar.h"
#include "calibration/fluo_sample.h"
#include "programs/start/fluo_conversion.h"
#include "programs/start/master_fluo_flow.h"
#include "programs/start/master_fluo_view.h"
#include "programs/start/start_window_port.h"
#include "tests/support/recording_program.h"
#include "tests/support/temp_dir.h"

namespace {

uint32_t fake_now = 0;
unsigned fake_clock() { return fake_now; }

// The golden constants: water 5, 6, 7, 4 mV; lamp A's fit through 10 ppb at
// 105 mV and 100 ppb at 1005 mV.
const std::string golden_constants = "tests/calibration/fixtures/calibration_1234_20261210.dat";
// The same calibration with tracer A alone (B and C without samples).
const std::string uranine_only = "tests/start/fixtures/calibration_uranine_only.dat";

// What the flow hands its window: the last series drawn and its title.
class Tflow_chart : public Tno_window_port {
public:
    void plotFlow(const Tsamples_serie& serie, const char* caption, double /*min_span*/) override
    {
        points.clear();
        Tsample_point point;
        for (unsigned i = 0; i < serie.count(); ++i)
            if (!serie.getPoint(&point, i))
                points.push_back(point.y);
        title = caption;
    }
    void addViewRow(const Tfluo_measure& measure) override { rows.push_back(measure); }
    std::vector<double> points;
    std::string title;
    std::vector<Tfluo_measure> rows;
};

class FlowMeasure : public ::testing::Test {
protected:
    void TearDown() override { time_set_clock(nullptr); }
    void sampleAt(uint32_t t, float a, float c, float turbidity = -1)
    {
        fake_now = t;
        time_set_clock(fake_clock);
        Tfluo_measure measure;
        measure.reset();
        if (a >= 0)
            measure.setLamp('A', 10.0f, a);
        if (c >= 0)
            measure.setLamp('C', 10.0f, c);
        if (turbidity >= 0)
            measure.setLamp('T', 10.0f, turbidity);
        flow.onMeasure(measure);
    }
    std::string lastGui(int id) const
    {
        std::string value = "none";
        for (const auto& call : recorded::gui_calls())
            if (call.first == id)
                value = call.second;
        return value;
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

// The flow's ppb subtracts the water as the live view does: the readings of
// lamp A at its water, 55, 105 and 1005 mV (turbidity lamp below its water)
// give tracer A's floor, 5, 10 and 100 ppb, near enough for the turbidity
// correction of a clear water.
TEST_F(FlowMeasure, ThePpbSeriesIsTheLiveViewsConversionOfEachReading)
{
    Tflow_chart chart;
    flow.setWindow(&chart);
    flow.reset();
    const float readings[] = {5, 55, 105, 1005};
    for (unsigned i = 0; i < 4; ++i)
        sampleAt(1000 + 10 * i, readings[i], -1, 3);
    // Loaded after the readings: the series is rebuilt from them.
    flow.loadCalibration(source_path(golden_constants).c_str());
    EXPECT_EQ(lastGui(2001), "1");
    flow.setChartUnit(1);
    ASSERT_EQ(flow.chart_unit, 1);
    EXPECT_EQ(chart.title, "Concentration [ppb]");
    ASSERT_EQ(chart.points.size(), 4u);
    const double expected[] = {0.0105, 5, 10, 100};
    for (unsigned i = 0; i < 4; ++i)
        EXPECT_NEAR(chart.points[i], expected[i], expected[i] * 0.01) << i;

    // Each reading converts as the live view shows it.
    Tmaster_fluo_view view;
    view.loadCalibration(source_path(golden_constants).c_str());
    chart.rows.clear();
    for (unsigned i = 0; i < 4; ++i) {
        Tfluo_measure measure;
        measure.reset();
        measure.setLamp('A', 10.0f, readings[i]);
        measure.setLamp('T', 10.0f, 3);
        view.onMeasure(measure, chart);
        ASSERT_EQ(chart.rows.size(), i + 1);
        EXPECT_FLOAT_EQ(chart.rows.back().ppb[0], static_cast<float>(chart.points[i])) << i;
    }

    // A new reading gets its point at once; back to mV draws the signal.
    sampleAt(1100, 505, -1, 3);
    ASSERT_EQ(chart.points.size(), 5u);
    EXPECT_NEAR(chart.points[4], 50, 0.5);
    flow.setChartUnit(0);
    EXPECT_EQ(chart.title, "[mV]");
    EXPECT_EQ(chart.points.size(), 5u);
    EXPECT_DOUBLE_EQ(chart.points[4], 505);
}

// A calibration of tracer A alone still converts lamp A, in the flow and in
// the live view; the other lamps show "-" (no value), never "inf".
TEST_F(FlowMeasure, AOneTracerCalibrationConvertsItsLampAndLeavesTheOthersUnconverted)
{
    Tflow_chart chart;
    flow.setWindow(&chart);
    flow.reset();
    flow.loadCalibration(source_path(uranine_only).c_str());
    EXPECT_EQ(lastGui(2001), "1");
    EXPECT_TRUE(flow.calibration.convertible(LAMP_A));
    EXPECT_FALSE(flow.calibration.convertible(LAMP_B));
    flow.setChartUnit(1);
    EXPECT_EQ(flow.chart_unit, 1);
    sampleAt(1000, 105, -1, 3);
    ASSERT_EQ(chart.points.size(), 1u);
    EXPECT_NEAR(chart.points[0], 10, 0.1);
    // Lamp C is followed in mV and has no constants: the ppb point is lamp A's.
    sampleAt(1010, 105, 300, 3);
    ASSERT_EQ(chart.points.size(), 2u);
    EXPECT_NEAR(chart.points[1], 10, 0.1);
    EXPECT_EQ(flow.mv_series.count(), 2u);
    EXPECT_TRUE(recorded::log_contains("Fluo Flow: the ppb chart draws the tracer of lamp A"));

    Tmaster_fluo_view view;
    view.loadCalibration(source_path(uranine_only).c_str());
    EXPECT_TRUE(recorded::log_contains("without constants, not converted: B, C"));
    view.tracers[0] = view.tracers[1] = view.tracers[2] = true;
    for (const bool alone : {true, false}) {
        SCOPED_TRACE(alone);
        view.tracers[1] = view.tracers[2] = !alone;
        Tfluo_measure measure;
        measure.reset();
        measure.setLamp('A', 10.0f, 105);
        measure.setLamp('B', 10.0f, 300);
        measure.setLamp('T', 10.0f, 3);
        recorded::clear_log();
        view.onMeasure(measure, chart);
        const Tfluo_measure& row = chart.rows.back();
        EXPECT_FALSE(sample_value_defined(row.ppb[1]));
        EXPECT_FALSE(sample_value_defined(row.ppb[2]));
        EXPECT_TRUE(recorded::log_contains("Lamp B : - ppb"));
        EXPECT_FALSE(recorded::log_contains("inf"));
        if (alone) {
            EXPECT_NEAR(row.ppb[0], 10, 0.1);
            EXPECT_TRUE(recorded::log_contains("Lamp A : 9.9"));
        }
    }

    // A file that cannot be read leaves no ppb: the unit goes back to mV.
    flow.loadCalibration(source_path("tests/start/fixtures/missing.dat").c_str());
    EXPECT_EQ(lastGui(2001), "0");
    EXPECT_EQ(flow.chart_unit, 0);
    EXPECT_EQ(chart.title, "[mV]");
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

// One rule for the load's word and the conversion: each lamp that the
// calibration names as convertible converts a reading (with a turbidity lamp,
// the live view's full correction), and each other lamp gives no value. The
// program's own files: three tracers, Uranine alone with turbidity standards,
// Uranine alone without them (the walk's).
TEST_F(FlowMeasure, WhatTheCalibrationCallsConvertibleConvertsAndNothingElse)
{
    const struct {
        const char* file;
        bool convertible[3];
    } cases[] = {
        {"tests/calibration/fixtures/calibration_1234_20261210.dat", {true, true, true}},
        {"tests/start/fixtures/calibration_uranine_only.dat", {true, false, false}},
        {"tests/start/fixtures/calibration_1_20261211.dat", {true, false, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        Truvo_fluo calibration;
        calibration.getcalib(source_path(c.file).c_str(), 0);
        ASSERT_TRUE(calibration.loaded());
        for (int lamp = 0; lamp < 3; ++lamp) {
            SCOPED_TRACE(lamp);
            EXPECT_EQ(calibration.convertible(lamp), c.convertible[lamp]);
            double ppb = 0;
            EXPECT_EQ(convert_lamp_value(calibration, lamp, 500.0, 20.0f, &ppb), c.convertible[lamp]);
            // The view's path: the measure gets a value exactly where the lamp converts.
            Tmaster_fluo_view view;
            view.calibration = calibration;
            view.tracers[0] = view.tracers[1] = view.tracers[2] = false;
            view.tracers[lamp] = true;
            Tfluo_measure measure;
            measure.reset();
            measure.setLamp("ABC"[lamp], 10.0f, 500.0f);
            measure.setLamp('T', 10.0f, 20.0f);
            Tno_window_port window;
            view.onMeasure(measure, window);
            EXPECT_EQ(sample_value_defined(measure.ppb[lamp]), c.convertible[lamp]);
            if (c.convertible[lamp]) {
                EXPECT_NEAR(measure.ppb[lamp], ppb, ppb * 1e-6);
            }
        }
    }
}

}  // namespace
