#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "base/my_string.h"
#include "calibration/samples_serie.h"

// Time charts as layers in the unit square (0 left/bottom, 1 right/top): axes,
// grid values and label texts are computed when the layers are built, so that
// drawing only maps and paints.

// Horizontal grid lines, bottom 0 .. top 1.
struct Ty_grid {
    static constexpr int limit = 50;
    void compute(double lo, double hi, double from, double to, double step);
    int count() const { return used; }
    // 0 for an index outside the lines.
    double position(int index) const;

    double positions[limit] = {};
    int used = 0;
};

// The y grid's values as texts ("%0.3f" without trailing zeros).
struct Ty_labels {
    static constexpr int limit = 50;
    void compute(double lo, double hi, double from, double to, double step);
    int count() const { return used; }
    double position(int index) const;
    // "" for an index outside the labels.
    const char* text(int index) const;

    double positions[limit] = {};
    Tmy_string texts[limit];
    int used = 0;
};

// Ticks and time-of-day labels of the time axis, 0 left .. 1 right.
struct Tx_axis {
    static constexpr int limit = 100;
    // x0 and span in seconds; a width hint above 300 pixels gives the dense
    // ticks; labels in the time zone of zone_code.
    void compute(double x0, double span, float width_hint, int zone_code);
    int tickCount() const { return ticks_used; }
    int labelCount() const { return labels_used; }
    double tick(int index) const;
    double labelPosition(int index) const;
    const char* labelText(int index) const;

    double ticks[limit] = {};
    double label_positions[limit] = {};
    Tmy_string label_texts[limit];
    int ticks_used = 0;
    int labels_used = 0;
};

// A y axis: its bounds and step.
struct Ty_axis {
    // lo = hi: automatic from the data, with lo's integer part the mode (1
    // bottom at 0, -1 top at 0, else margins both ways); else lo .. hi given.
    void compute(double lo, double hi, double step_in, double data_min, double data_max, int kind, double min_step);

    double top = 1;
    double bottom = 0;
    double step = 1;
    double span = 1;
    double inv_span = 1;
};

// A round step for an axis of span: kind 3, 4, 10 or any other give their own
// factors of the magnitude; never below min_step when that is positive.
double axis_nice_step(double span, int kind, double min_step);
// Rounds the time range outwards to a step fit for its length; gives the step.
double time_axis_round(double* x0, double* x1, double xmin, double xmax);

struct Tplot_layer {
    Tmy_string name;  // "grid", "line", "point", "line_filled" or "histo"
    Ty_grid y_grid;
    Ty_labels y_labels;
    Tx_axis x_axis;
    uint32_t fill_color = 0xFFFFFFFF;
    uint32_t line_color = 0;
    int pen_width = 1;
    Tsamples_serie series;  // in the unit square
    int point_radius = 0;
};

struct Tplot_options {
    Tmy_string title;
    std::vector<std::unique_ptr<Tplot_layer>> layers;
};

// The layers of a chart and its background, built by one of two recipes.
class Tplot_parameters {
public:
    // The calibration chart: a line with dots, margins above and below.
    void buildLinePointPlot(const Tsamples_serie* serie);
    // The flow chart: a filled area from 0, over at least min_span seconds.
    void buildFilledPlot(const Tsamples_serie* serie, unsigned min_span, const char* title);
    void clear();

    Tplot_options options;
    uint32_t background = 0xFFFFFF;

private:
    // A series' finite points and the round time span they are drawn over.
    struct Ttime_frame {
        Tsamples_serie points;
        double x0 = 0, span = 1, ymin = 0, ymax = 0;
    };
    static void timeFrame(const Tsamples_serie* serie, double min_span, Ttime_frame* frame);
    Tplot_layer* addLayer(const char* name);
    // The grey grid, the value labels and the time axis.
    void addGridLayer(const Ty_axis& axis, const Ttime_frame& frame, float label_width);
};

// A chart that draws its layers; the platform part says where.
class Tplot {
public:
    virtual ~Tplot() = default;
    virtual void draw() = 0;
    virtual void setSize(int width, int height) = 0;

    Tplot_parameters parameters;
};
