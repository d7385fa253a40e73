// Chart axes, grids and labels worked out by hand, and the drawing checked by
// its axis maths and a few pixels at computed places.

#include "calibration/chart_layers.h"
#include "calibration/plot_win32.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <clocale>
#include <memory>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr double NOON_UTC = 1796904000;  // 2026-12-10 12:00:00 UTC, 13:00 in Central European time

void ensure_gui_application()
{
    static int argc = 1;
    static char name[] = "calibration_tests";
    static char* argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
}

const Tplot_layer* layer(const Tplot_parameters& p, const char* name)
{
    for (const auto& l : p.options.layers)
        if (l->name.equals(name, 1))
            return l.get();
    return nullptr;
}

std::vector<std::string> y_labels(const Tplot_layer& grid)
{
    std::vector<std::string> out;
    for (int i = 0; i < grid.y_labels.count(); ++i)
        out.emplace_back(grid.y_labels.text(i));
    return out;
}

std::vector<std::string> x_labels(const Tplot_layer& grid)
{
    std::vector<std::string> out;
    for (int i = 0; i < grid.x_axis.labelCount(); ++i)
        out.emplace_back(grid.x_axis.labelText(i));
    return out;
}

TEST(ChartAxes, NiceSteps)
{
    EXPECT_DOUBLE_EQ(axis_nice_step(7.3, 0, 0), 1.0);     // m 0.73 of 10: factor 0.1
    EXPECT_DOUBLE_EQ(axis_nice_step(104, 3, 0), 50.0);    // m 1.04: factor 0.5
    EXPECT_DOUBLE_EQ(axis_nice_step(3.5, 3, 0), 2.0);     // m 3.5: factor 2
    EXPECT_DOUBLE_EQ(axis_nice_step(2.5, 4, 0), 1.0);
    EXPECT_DOUBLE_EQ(axis_nice_step(25, 10, 0), 5.0);     // kind 10: m 2.5, factor 0.5
    EXPECT_DOUBLE_EQ(axis_nice_step(0.3, 0, 0.5), 0.5);   // the minimum step
    EXPECT_DOUBLE_EQ(axis_nice_step(0, 0, 0), 0.0001);    // no span counts as 0.001
    EXPECT_DOUBLE_EQ(axis_nice_step(std::numeric_limits<double>::quiet_NaN(), 0, 0), 0.0001);
}

TEST(ChartAxes, AnEmptySeriesGivesZeroToOneAndNoLine)
{
    Tsamples_serie empty;
    empty.setCapacity(10);
    Tplot_parameters p;
    p.buildLinePointPlot(&empty);
    const Tplot_layer* grid = layer(p, "grid");
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(y_labels(*grid), (std::vector<std::string>{"0", "0.5", "1"}));
    ASSERT_EQ(grid->y_grid.count(), 3);
    EXPECT_DOUBLE_EQ(grid->y_grid.position(1), 0.5);
    EXPECT_DOUBLE_EQ(grid->y_grid.position(7), 0.0);
    EXPECT_STREQ(grid->y_labels.text(50), "");
    EXPECT_EQ(layer(p, "line")->series.count(), 0u);
    EXPECT_EQ(p.options.layers.size(), 3u);

    Tplot_parameters never;
    never.buildLinePointPlot(nullptr);
    EXPECT_TRUE(never.options.layers.empty());
}

TEST(ChartAxes, RisingConstantNegativeAndHugeData)
{
    struct Tcase {
        const char* what;
        std::vector<double> ys;
        bool filled;
        double bottom, top;  // expected y range of the grid
    };
    const Tcase cases[] = {
        // 0 .. 100 with 2 % margins: -2 .. 102, step 50.
        {"rising", {0, 25, 50, 100}, false, -50, 150},
        // No range: 5 .. 6 with step 0.5.
        {"constant", {5, 5, 5}, false, 5, 6},
        // The flow chart from 0 up; all below 0 it reaches down instead: -10.16 .. 0, step 1.
        {"all negative flow", {-10, -4, -2}, true, -11, 0},
        {"positive flow", {2, 8}, true, 0, 9},  // 0 .. 8.12, step 1
    };
    for (const Tcase& c : cases) {
        SCOPED_TRACE(c.what);
        Tsamples_serie s;
        s.setCapacity(10);
        for (size_t i = 0; i < c.ys.size(); ++i)
            s.append(NOON_UTC + 10 * static_cast<double>(i), c.ys[i], 1, SAMPLE_POINT_NO_COLOR);
        Tplot_parameters p;
        if (c.filled)
            p.buildFilledPlot(&s, 60, "[mV]");
        else
            p.buildLinePointPlot(&s);
        const Tplot_layer* grid = layer(p, "grid");
        ASSERT_NE(grid, nullptr);
        ASSERT_GE(grid->y_labels.count(), 2);
        EXPECT_EQ(grid->y_labels.text(0), std::to_string(static_cast<int>(c.bottom)));
        EXPECT_NEAR(grid->y_grid.position(0), 0.0, 1e-12);
        EXPECT_NEAR(grid->y_grid.position(grid->y_grid.count() - 1), 1.0, 1e-12);
        // Every data point lies inside the unit square.
        const Tplot_layer* data = layer(p, c.filled ? "line_filled" : "line");
        Tsample_point point;
        for (unsigned i = 0; !data->series.getPoint(&point, i); ++i) {
            EXPECT_GE(point.y, 0.0);
            EXPECT_LE(point.y, 1.0);
            const double value = c.bottom + point.y * (c.top - c.bottom);
            EXPECT_NEAR(value, c.ys[i], 1e-9);
        }
    }
    Tsamples_serie positive;
    positive.setCapacity(2);
    positive.append(NOON_UTC, 2, 1, 0);
    positive.append(NOON_UTC + 10, 8, 1, 0);
    Tplot_parameters p;
    p.buildFilledPlot(&positive, 60, "[mV]");
    // 0 .. 8.12 with step 1 rounds up to 9: kind 0 of span 8.12 gives 1.
    EXPECT_EQ(y_labels(*layer(p, "grid")).back(), "9");
}

TEST(ChartAxes, HugeAndNonFiniteDataStillEnd)
{
    Tsamples_serie s;
    s.setCapacity(10);
    s.append(NOON_UTC, 1e300, 1, 0);
    s.append(NOON_UTC + 1, std::numeric_limits<double>::quiet_NaN(), 1, 0);
    s.append(NOON_UTC + 2, std::numeric_limits<double>::infinity(), 1, 0);
    s.append(NOON_UTC + 3, 1e300 + 1e285, 1, 0);
    s.append(NOON_UTC + 4, 1e300, 1, 0);
    for (int filled = 0; filled < 2; ++filled) {
        SCOPED_TRACE(filled);
        Tplot_parameters p;
        if (filled)
            p.buildFilledPlot(&s, 60, "Concentration [ppb]");
        else
            p.buildLinePointPlot(&s);
        const Tplot_layer* grid = layer(p, "grid");
        EXPECT_GT(grid->y_grid.count(), 0);
        EXPECT_LE(grid->y_grid.count(), Ty_grid::limit);
        // The non-finite points are left out.
        EXPECT_EQ(layer(p, filled ? "line_filled" : "line")->series.count(), 3u);
    }
    Ty_grid grid;
    grid.compute(0, 1, 1e20, 1e20 + 10, 1);  // a step lost in the values' precision
    EXPECT_EQ(grid.count(), 1);
    grid.compute(0, 1, 0, 1, 1e-3);  // more lines than the grid holds
    EXPECT_EQ(grid.count(), Ty_grid::limit);

    // Tenths add up with rounding errors; the last line is kept all the same.
    Ty_labels labels;
    labels.compute(-0.3, 0.3, -0.3, 0.3, 0.1);
    ASSERT_EQ(labels.count(), 7);
    EXPECT_STREQ(labels.text(0), "-0.3");
    EXPECT_STREQ(labels.text(3), "0");
    EXPECT_STREQ(labels.text(6), "0.3");
    EXPECT_NEAR(labels.position(6), 1.0, 1e-12);
}

TEST(ChartAxes, AShortFlowIsDrawnOverAMinuteWithLabelsEveryFifteenSeconds)
{
    Tsamples_serie s;
    s.setCapacity(10);
    s.append(NOON_UTC, 1, 1, 0);
    s.append(NOON_UTC + 45, 3, 1, 0);
    Tplot_parameters p;
    p.buildFilledPlot(&s, 60, "[mV]");
    EXPECT_STREQ(p.options.title.c_str(), "[mV]");
    const Tplot_layer* grid = layer(p, "grid");
    EXPECT_EQ(x_labels(*grid), (std::vector<std::string>{"13:00:00", "13:00:15", "13:00:30", "13:00:45", "13:01:00"}));
    EXPECT_DOUBLE_EQ(grid->x_axis.labelPosition(1), 0.25);
    // Ticks every 5 s over 60 s.
    EXPECT_EQ(grid->x_axis.tickCount(), 13);
    EXPECT_DOUBLE_EQ(grid->x_axis.tick(12), 1.0);
    Tsample_point last;
    layer(p, "line_filled")->series.getPoint(&last, 1);
    EXPECT_DOUBLE_EQ(last.x, 0.75);
}

TEST(ChartAxes, ATwoHourCalibrationHasHourlyLabelsInCentralEuropeanTime)
{
    Tsamples_serie s;
    s.setCapacity(10);
    s.append(NOON_UTC + 100, 1, 1, 0);
    s.append(NOON_UTC + 7100, 2, 1, 0);
    Tplot_parameters p;
    p.buildLinePointPlot(&s);
    const Tplot_layer* grid = layer(p, "grid");
    // Rounded out to 12:00 .. 14:00 UTC by 15 minutes.
    EXPECT_EQ(x_labels(*grid), (std::vector<std::string>{"13h00", "14h00", "15h00"}));
    EXPECT_EQ(grid->x_axis.tickCount(), 3);
    double x0 = 0, x1 = 0;
    EXPECT_DOUBLE_EQ(time_axis_round(&x0, &x1, NOON_UTC + 100, NOON_UTC + 7100), 900);
    EXPECT_DOUBLE_EQ(x0, NOON_UTC);
    EXPECT_DOUBLE_EQ(x1, NOON_UTC + 7200);

    // A single point: one second wide.
    Tsamples_serie one;
    one.setCapacity(1);
    one.append(NOON_UTC + 7, 4, 1, 0);
    p.buildLinePointPlot(&one);
    EXPECT_EQ(x_labels(*layer(p, "grid")), (std::vector<std::string>{"13:00:07", "13:00:08"}));
    EXPECT_EQ(y_labels(*layer(p, "grid")), (std::vector<std::string>{"4", "4.5", "5"}));
}

QRgb rgb_at(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFF;
}

TEST(ChartDrawing, PixelsAtTheirComputedPlaces)
{
    ensure_gui_application();
    Tplot_win32 chart;
    chart.setSize(400, 300);
    // Margins: left 50, right 20, top 15, bottom 20: a plot area of 330 x 265 at (50, 15).
    Tsamples_serie s;
    s.setCapacity(4);
    s.append(NOON_UTC, 0, 1, 0);
    s.append(NOON_UTC + 60, 100, 1, 0);
    chart.parameters.buildLinePointPlot(&s);
    chart.draw();
    const QImage& image = chart.image();
    EXPECT_EQ(image.format(), QImage::Format_RGB888);
    EXPECT_EQ(rgb_at(image, 0, 0), 0x000000u);      // the border
    EXPECT_EQ(rgb_at(image, 10, 290), 0xFFFFFFu);   // the background
    EXPECT_EQ(rgb_at(image, 50, 200), 0x000000u);   // the frame's left side
    // y from -50 to 150: the line from (0, 0.25) to (1, 0.75) of the area.
    const int x_first = 50, y_first = 15 + static_cast<int>(0.75 * 265);
    const int x_last = 50 + 330, y_last = 15 + static_cast<int>(0.25 * 265);
    EXPECT_EQ(rgb_at(image, x_first, y_first), 0x000000u);  // a dot's black middle
    EXPECT_EQ(rgb_at(image, x_last - 1, y_last), 0x000000u);
    const int x_mid = 50 + 165, y_mid = 15 + static_cast<int>(0.5 * 265);
    EXPECT_EQ(rgb_at(image, x_mid, y_mid), 0x000080u);      // the navy line between them
    // The grid line at 0 (a quarter up), light grey away from ticks and data.
    const int y_zero = 15 + static_cast<int>(0.75 * 265);
    EXPECT_EQ(rgb_at(image, 50 + 300, y_zero), 0xC0C0C0u);
    EXPECT_TRUE(image.save("chart_line_point.png"));

    Tplot_win32 flow;
    flow.setSize(400, 300);
    flow.parameters.buildFilledPlot(&s, 60, "[mV]");
    QImage window(400, 300, QImage::Format_RGB32);
    window.fill(Qt::red);
    flow.setCanvas(&window);
    flow.draw();
    // Title: the area starts 10 pixels lower. Inside the filled area near its bottom right:
    const int area_top = 25, area_height = 300 - 20 - 25;
    const int inside_y = area_top + area_height - 5;
    EXPECT_EQ(rgb_at(flow.image(), 50 + 320, inside_y), 0x98EEF8u);
    EXPECT_EQ(rgb_at(flow.image(), 50 + 5, area_top + 5), 0xFFFFFFu);  // above the curve
    // Copied onto the target.
    EXPECT_EQ(rgb_at(window, 50 + 320, inside_y), 0x98EEF8u);
    EXPECT_TRUE(flow.image().save("chart_flow.png"));
}

TEST(ChartDrawing, ManyPointsInOnePixelColumnKeepTheirExtremes)
{
    ensure_gui_application();
    // 3000 points over 330 pixels; one spike up and one down in the middle.
    Tsamples_serie s;
    s.setCapacity(3000);
    for (int i = 0; i < 3000; ++i)
        s.append(NOON_UTC + i, i == 1500 ? 100 : i == 1501 ? -100 : 0, 1, SAMPLE_POINT_NO_COLOR);
    Tplot_win32 chart;
    chart.setSize(400, 300);
    chart.parameters.buildLinePointPlot(&s);
    chart.parameters.options.layers.pop_back();  // the line alone, without its dots
    chart.draw();
    // x over 3000 s, y from -200 to 200 in steps of 100: the spikes at a quarter from the top and bottom.
    const QImage& image = chart.image();
    const int x_spike = 50 + static_cast<int>(0.5 * 330);
    EXPECT_EQ(rgb_at(image, x_spike, 15 + static_cast<int>(0.25 * 265)), 0x000080u);
    EXPECT_EQ(rgb_at(image, x_spike, 15 + static_cast<int>(0.75 * 265)), 0x000080u);
    EXPECT_EQ(rgb_at(image, 100, 15 + static_cast<int>(0.5 * 265)), 0x000080u);
    EXPECT_EQ(rgb_at(image, 100, 15 + static_cast<int>(0.3 * 265)), 0xFFFFFFu);
    EXPECT_TRUE(image.save("chart_spikes.png"));
}

TEST(ChartDrawing, SizesAndHistogramBars)
{
    ensure_gui_application();
    Tplot_win32 chart;
    EXPECT_EQ(chart.width(), 100);
    chart.setSize(0, 50);
    EXPECT_EQ(chart.width(), 1);
    EXPECT_EQ(chart.height(), 50);
    chart.draw();  // a one-pixel-wide chart ends too

    chart.setSize(200, 200);
    // Area: left 50, right 10, top 10, bottom 20: 140 x 170.
    auto bars = std::make_unique<Tplot_layer>();
    bars->name.assign("HISTO");
    bars->line_color = 0x00FF00;
    bars->series.setCapacity(2);
    bars->series.append(0.5, 0.5, 0.1, SAMPLE_POINT_NO_COLOR);
    bars->series.append(0.9, 2.0, 0, 0xFF0000);  // clamped to the top, one pixel wide
    chart.parameters.options.layers.push_back(std::move(bars));
    chart.draw();
    const QImage& image = chart.image();
    EXPECT_EQ(rgb_at(image, 50 + 70, 10 + 170 - 10), 0x00FF00u);
    EXPECT_EQ(rgb_at(image, 50 + 126, 10 + 20), 0xFF0000u);
    EXPECT_EQ(rgb_at(image, 50 + 70, 10 + 20), 0xFFFFFFu);  // above the half-height bar
}

}  // namespace
