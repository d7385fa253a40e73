// Chart series: a fixed room, the oldest point dropped on demand, bounds and
// the transform into the chart's unit square.

#include "calibration/samples_serie.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/recording_program.h"

namespace {

std::vector<double> xs(const Tsamples_serie& s)
{
    std::vector<double> out;
    Tsample_point p;
    for (unsigned i = 0; !s.getPoint(&p, i); ++i)
        out.push_back(p.x);
    return out;
}

TEST(SamplesSerie, AFullSeriesIgnoresFurtherPoints)
{
    Tsamples_serie s;
    s.append(1, 1, 1, 0);  // no room yet
    EXPECT_EQ(s.count(), 0u);
    s.setCapacity(3);
    for (double x : {1.0, 2.0, 3.0, 4.0})
        s.append(x, 10 * x, 1, SAMPLE_POINT_NO_COLOR);
    EXPECT_EQ(xs(s), (std::vector<double>{1, 2, 3}));
    s.reset();
    EXPECT_EQ(s.count(), 0u);
    EXPECT_EQ(s.capacity(), 3u);
    s.append(9, 9, 1, 0);
    EXPECT_EQ(xs(s), (std::vector<double>{9}));
    s.clear();
    EXPECT_EQ(s.capacity(), 0u);
    EXPECT_EQ(s.count(), 0u);
}

TEST(SamplesSerie, RemoveFirstDropsTheOldest)
{
    Tsamples_serie s;
    s.setCapacity(3);
    s.removeFirst();
    EXPECT_EQ(s.count(), 0u);
    for (double x : {1.0, 2.0, 3.0})
        s.append(x, 0, 1, 0);
    s.removeFirst();
    EXPECT_EQ(xs(s), (std::vector<double>{2, 3}));
    s.append(4, 0, 1, 0);  // room again for one
    EXPECT_EQ(xs(s), (std::vector<double>{2, 3, 4}));
}

TEST(SamplesSerie, GetAndSetByIndex)
{
    Tsamples_serie s;
    s.setCapacity(2);
    s.append(5, 6, 2, 0x123456);
    Tsample_point p{1, 2, 3, 4};
    EXPECT_TRUE(s.getPoint(&p, 1));
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    EXPECT_EQ(p.w, 1.0);
    EXPECT_EQ(p.color, SAMPLE_POINT_NO_COLOR);
    EXPECT_TRUE(s.getPoint(nullptr, 0));
    EXPECT_FALSE(s.getPoint(&p, 0));
    EXPECT_EQ(p.color, 0x123456u);
    EXPECT_EQ(p.w, 2.0);

    const Tsample_point replacement{7, 8, 1, 0};
    EXPECT_TRUE(s.setPoint(&replacement, 1));
    EXPECT_TRUE(s.setPoint(nullptr, 0));
    EXPECT_FALSE(s.setPoint(&replacement, 0));
    s.getPoint(&p, 0);
    EXPECT_EQ(p.x, 7);
    EXPECT_EQ(p.y, 8);
}

TEST(SamplesSerie, BoundsOverThePointsInUse)
{
    Tsamples_serie s;
    double xmin = -1, xmax = -1, ymin = -1, ymax = -1;
    s.getBounds(&xmin, &xmax, &ymin, &ymax);  // no array: untouched
    EXPECT_EQ(xmin, -1);
    s.setCapacity(4);
    s.getBounds(&xmin, &xmax, &ymin, &ymax);
    EXPECT_EQ(xmin, 0);
    EXPECT_EQ(ymax, 0);
    s.append(5, 1, 1, 0);
    s.append(2, 7, 1, 0);
    s.append(9, 4, 1, 0);
    s.getBounds(&xmin, &xmax, &ymin, &ymax);
    EXPECT_EQ(xmin, 2);
    EXPECT_EQ(xmax, 9);
    EXPECT_EQ(ymin, 1);
    EXPECT_EQ(ymax, 7);
    s.getBounds(&xmin, nullptr, &ymin, &ymax);  // a null output: nothing at all
    EXPECT_EQ(xmin, 2);

    // All negative: the first point sets all four, not 0.
    s.reset();
    s.append(-5, -3, 1, 0);
    s.append(-2, -8, 1, 0);
    s.getBounds(&xmin, &xmax, &ymin, &ymax);
    EXPECT_EQ(xmax, -2);
    EXPECT_EQ(ymax, -3);
    EXPECT_EQ(ymin, -8);
}

TEST(SamplesSerie, TransformIntoTheUnitSquare)
{
    Tsamples_serie src;
    src.setCapacity(10);
    src.append(150, 30, 1, 0xFF0000);
    src.append(200, 10, 4, SAMPLE_POINT_NO_COLOR);
    Tsamples_serie dst;
    dst.setCapacity(50);
    dst.append(1, 1, 1, 0);
    Tsamples_serie::transform(&dst, &src, 100, 0.01, 10, 0.05);
    EXPECT_EQ(dst.capacity(), 2u);
    ASSERT_EQ(dst.count(), 2u);
    Tsample_point p;
    dst.getPoint(&p, 0);
    EXPECT_DOUBLE_EQ(p.x, 0.5);
    EXPECT_DOUBLE_EQ(p.y, 1.0);
    EXPECT_DOUBLE_EQ(p.w, 0.01);
    EXPECT_EQ(p.color, 0xFF0000u);
    dst.getPoint(&p, 1);
    EXPECT_DOUBLE_EQ(p.x, 1.0);
    EXPECT_DOUBLE_EQ(p.y, 0.0);
    EXPECT_DOUBLE_EQ(p.w, 0.04);

    Tsamples_serie::transform(&dst, nullptr, 0, 1, 0, 1);
    EXPECT_EQ(dst.count(), 2u);
}

TEST(SamplesSerie, LogOfALongSeriesShowsItsEnds)
{
    Tsamples_serie s;
    s.setCapacity(10);
    for (int i = 0; i < 7; ++i)
        s.append(i, 2 * i, 1, 0xAB);
    recorded::clear_log();
    s.logSeries("serie");
    const std::vector<std::string> expected = {
        "serie [0] => [0.000:0.000]  w=1.000, color=xab)", "serie [1] => [1.000:2.000]  w=1.000, color=xab)",
        "serie ...", "serie [5] => [5.000:10.000]  w=1.000, color=xab)",
        "serie [6] => [6.000:12.000]  w=1.000, color=xab)",
    };
    EXPECT_EQ(recorded::log_lines(), expected);
    recorded::clear_log();
    s.logPoint(nullptr, 7);
    EXPECT_TRUE(recorded::log_lines().empty());
}

}  // namespace
