#include "calibration/chart_layers.h"

#include <cmath>
#include <cstring>

#include "base/time_calendar.h"

namespace {

constexpr int CET_ZONE = 101;
constexpr double MARGIN = 0.02;  // of the data's range, above and below

// The values from, from + step, ... up to `to` (at most limit of them), each
// computed from the start so that rounding does not lose the last one; a step
// lost in the values' precision ends the walk.
template <typename Tvisit>
void walk_values(double from, double to, double step, int limit, Tvisit visit)
{
    const double slack = std::fabs(step) * 1e-9;
    double previous = 0;
    for (int k = 0; k < limit; ++k) {
        const double v = from + k * step;
        if (!(v <= to + slack) || (k > 0 && !(v > previous)))
            break;
        visit(v);
        previous = v;
    }
}

// The finite points of serie: a non-finite one would spoil every bound.
void finite_points(const Tsamples_serie* serie, Tsamples_serie* out)
{
    out->setCapacity(serie->count());
    Tsample_point p;
    for (unsigned i = 0; !serie->getPoint(&p, i); ++i)
        if (std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.w))
            out->append(p.x, p.y, p.w, p.color);
}

struct Tspan_class {
    double above;  // the class applies to spans above this many seconds
    int tick[2];   // density 8, density 3
    int label[2];
    int format;    // 0 hh:mm:ss, 1 "%dh%02d", 2 "%d"/"%dh", 3 "%dh"
};

// In increasing order; 259200 s and beyond label like the 3600 class.
const Tspan_class span_classes[] = {
    {0, {1, 1}, {1, 1}, 0},
    {10, {1, 5}, {5, 10}, 0},
    {20, {5, 20}, {15, 20}, 0},
    {60, {30, 60}, {30, 120}, 0},
    {300, {60, 240}, {60, 240}, 0},
    {900, {300, 900}, {600, 900}, 1},
    {3600, {900, 3600}, {900, 3600}, 1},
    {10800, {1800, 3600}, {1800, 7200}, 1},
    {21600, {3600, 21600}, {3600, 21600}, 2},
    {108000, {3600, 43200}, {7200, 43200}, 3},
    {172800, {300, 900}, {600, 900}, 1},
};

void trim_zeros(Tmy_string* text)
{
    const char* s = text->c_str();
    unsigned n = text->length();
    if (!std::strchr(s, '.'))
        return;
    while (n > 0 && s[n - 1] == '0')
        --n;
    if (n > 0 && s[n - 1] == '.')
        --n;
    Tmy_string trimmed;
    trimmed.append(s, n);
    if (trimmed.length() == 0 || std::strcmp(trimmed.c_str(), "-0") == 0)
        trimmed.assign("0");
    text->swap(trimmed);
}

}  // namespace

void Ty_grid::compute(double lo, double hi, double from, double to, double step)
{
    used = 0;
    const double scale = hi == lo ? 1 : 1 / (hi - lo);
    if (step == 0)
        step = 1;
    walk_values(from, to, step, limit, [&](double v) { positions[used++] = (v - lo) * scale; });
}

double Ty_grid::position(int index) const
{
    return index >= 0 && index < used ? positions[index] : 0;
}

void Ty_labels::compute(double lo, double hi, double from, double to, double step)
{
    used = 0;
    const double scale = hi == lo ? 1 : 1 / (hi - lo);
    if (step == 0)
        step = 1;
    walk_values(from, to, step, limit, [&](double v) {
        positions[used] = (v - lo) * scale;
        texts[used].printf("%0.3f", v);
        trim_zeros(&texts[used]);
        ++used;
    });
}

double Ty_labels::position(int index) const
{
    return index >= 0 && index < used ? positions[index] : 0;
}

const char* Ty_labels::text(int index) const
{
    return index >= 0 && index < used ? texts[index].c_str() : "";
}

void Tx_axis::compute(double x0, double span, float width_hint, int zone_code)
{
    ticks_used = 0;
    labels_used = 0;
    if (!(span > 0) || !std::isfinite(span) || !std::isfinite(x0))
        span = 1;
    const int density = width_hint > 300 ? 0 : 1;
    const Tspan_class* cls = &span_classes[0];
    for (const Tspan_class& c : span_classes)
        if (span > c.above)
            cls = &c;
    const int label_step = cls->label[density];
    const int tick_step = cls->tick[density];
    const double start = std::trunc(x0);

    // Labels on round times of day: from the first multiple of the step at or after x0.
    for (double h = -std::fmod(start, label_step); h <= span && labels_used < limit; h += label_step) {
        if (h < 0)
            continue;
        calendar_time t{};
        const double when = start + h;
        calendar_local_time(&t, when >= 0 && when < 4294967296.0 ? static_cast<unsigned>(when) : 0u, zone_code);
        Tmy_string& text = label_texts[labels_used];
        switch (cls->format) {
        case 0:
            text.printf("%02d:%02d:%02d", t.hour, t.minute, t.second);
            break;
        case 1:
            text.printf("%dh%02d", t.hour, t.minute);
            break;
        case 2:
            text.printf(t.hour >= 10 ? "%d" : "%dh", t.hour);
            break;
        default:
            text.printf("%dh", t.hour);
            break;
        }
        label_positions[labels_used++] = h / span;
    }
    for (double h = -std::fmod(start, tick_step); h <= span && ticks_used < limit; h += tick_step)
        if (h >= 0)
            ticks[ticks_used++] = h / span;
}

double Tx_axis::tick(int index) const
{
    return index >= 0 && index < ticks_used ? ticks[index] : 0;
}

double Tx_axis::labelPosition(int index) const
{
    return index >= 0 && index < labels_used ? label_positions[index] : 0;
}

const char* Tx_axis::labelText(int index) const
{
    return index >= 0 && index < labels_used ? label_texts[index].c_str() : "";
}

double axis_nice_step(double span, int kind, double min_step)
{
    if (!(span > 0) || !std::isfinite(span))
        span = 0.001;
    double magnitude = std::pow(10.0, std::floor(std::log10(span)));
    if (magnitude == 0 || !std::isfinite(magnitude))
        magnitude = 1;
    double m = span / magnitude;
    if (kind < 10 && m > 5) {
        m /= 10;
        magnitude *= 10;
    }
    double f;
    if (kind == 3)
        f = m > 3 ? 2 : m > 1.5 ? 1 : m > 0.6 ? 0.5 : 0.2;
    else if (kind == 4)
        f = m > 2 ? 1 : m > 0.8 ? 0.5 : 0.2;
    else if (kind == 10)
        f = m >= 5 ? 1 : m >= 2 ? 0.5 : 0.2;
    else
        f = m > 2.4 ? 0.5 : m > 1.2 ? 0.2 : 0.1;
    double step = f * magnitude;
    if (min_step > 0 && step < min_step)
        step = min_step;
    return step;
}

void Ty_axis::compute(double lo, double hi, double step_in, double data_min, double data_max, int kind,
                      double min_step)
{
    if (lo == hi) {
        const double margin = (data_max - data_min) * MARGIN;
        const int mode = static_cast<int>(lo);
        if (mode == 1 || mode == -1) {
            // From 0 up (1) or down (-1); data on the other side of 0 reaches
            // across it, so that the axis always spans the data.
            bottom = mode == 1 && data_min >= 0 ? 0 : std::fmin(data_min - margin, 0.0);
            top = mode == -1 && data_max <= 0 ? 0 : std::fmax(data_max + margin, 0.0);
        } else {
            bottom = data_min - margin;
            top = data_max + margin;
        }
        if (!(top > bottom))
            top = bottom + 1;
        step = axis_nice_step(top - bottom, kind, min_step);
        top = std::ceil(top / step) * step;
        bottom = std::floor(bottom / step) * step;
        if (!(top > bottom))
            top = bottom + step;
    } else {
        if (hi < lo)
            hi = lo + 1;
        step = step_in > 0 ? step_in : axis_nice_step(hi - lo, kind, min_step);
        top = hi;
        bottom = lo;
    }
    span = top - bottom;
    inv_span = span != 0 ? 1 / span : 1;
}

double time_axis_round(double* x0, double* x1, double xmin, double xmax)
{
    double span = xmax - xmin;
    if (!(span > 0))
        span = 1;
    struct Tround {
        double above;
        double step;
    };
    const Tround rounds[] = {{20, 5},       {60, 15},       {300, 30},      {900, 60},
                             {1800, 300},   {3600, 900},    {10800, 3600},  {108000, 14400},
                             {172800, 21600}, {259200, 28800}, {604800, 86400}};
    double step = 1;
    for (const Tround& r : rounds)
        if (span > r.above)
            step = r.step;
    if (x0)
        *x0 = xmin - std::fmod(std::trunc(xmin), step);
    if (x1) {
        const double r = std::fmod(std::trunc(xmax), step);
        *x1 = r != 0 ? xmax + step - r : xmax;
    }
    return step;
}

void Tplot_parameters::clear()
{
    options.layers.clear();
}

Tplot_layer* Tplot_parameters::addLayer(const char* name)
{
    options.layers.push_back(std::make_unique<Tplot_layer>());
    Tplot_layer* layer = options.layers.back().get();
    layer->name.assign(name);
    return layer;
}

void Tplot_parameters::timeFrame(const Tsamples_serie* serie, double min_span, Ttime_frame* frame)
{
    finite_points(serie, &frame->points);
    double xmin = 0, xmax = 0;
    frame->points.getBounds(&xmin, &xmax, &frame->ymin, &frame->ymax);
    double x1 = 0;
    time_axis_round(&frame->x0, &x1, xmin, xmax);
    frame->span = x1 - frame->x0 != 0 ? x1 - frame->x0 : 1;
    if (min_span > 0 && frame->span < min_span)
        frame->span = min_span;
}

void Tplot_parameters::addGridLayer(const Ty_axis& axis, const Ttime_frame& frame, float label_width)
{
    Tplot_layer* grid = addLayer("grid");
    grid->line_color = 0xC0C0C0;
    grid->y_grid.compute(axis.bottom, axis.top, axis.bottom, axis.top, axis.step);
    grid->y_labels.compute(axis.bottom, axis.top, axis.bottom, axis.top, axis.step);
    grid->x_axis.compute(frame.x0, frame.span, label_width, CET_ZONE);
}

void Tplot_parameters::buildLinePointPlot(const Tsamples_serie* serie)
{
    if (!serie)
        return;
    clear();
    Ttime_frame frame;
    timeFrame(serie, 0, &frame);
    Ty_axis axis;
    axis.compute(0, 0, 0, frame.ymin, frame.ymax, 3, 0);
    addGridLayer(axis, frame, 300);

    Tplot_layer* line = addLayer("line");
    line->line_color = 0x000080;
    line->pen_width = 2;
    Tsamples_serie::transform(&line->series, &frame.points, frame.x0, 1 / frame.span, axis.bottom, axis.inv_span);

    Tplot_layer* dots = addLayer("point");
    dots->line_color = 0x000080;
    dots->point_radius = 3;
    Tsamples_serie::transform(&dots->series, &frame.points, frame.x0, 1 / frame.span, axis.bottom, axis.inv_span);
    background = 0xFFFFFF;
}

void Tplot_parameters::buildFilledPlot(const Tsamples_serie* serie, unsigned min_span, const char* title)
{
    if (!serie)
        return;
    clear();
    options.title.assign(title);
    Ttime_frame frame;
    timeFrame(serie, min_span, &frame);
    Ty_axis axis;
    axis.compute(1, 1, 0, frame.ymin, frame.ymax, 0, 0);
    addGridLayer(axis, frame, 800);

    Tplot_layer* area = addLayer("line_filled");
    area->line_color = 0x404040;
    area->fill_color = 0x98EEF8;
    area->pen_width = 2;
    Tsamples_serie::transform(&area->series, &frame.points, frame.x0, 1 / frame.span, axis.bottom, axis.inv_span);
    background = 0xFFFFFF;
}
