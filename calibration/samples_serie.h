#pragma once

#include <cstdint>

// A point of a chart: x (seconds since 1970 for the program's series), y, a
// bar width in x units and a colour 0xRRGGBB (SAMPLE_POINT_NO_COLOR: the
// layer's colour).
constexpr uint32_t SAMPLE_POINT_NO_COLOR = 0xFFFFFFFF;

struct Tsample_point {
    double x = 0;
    double y = 0;
    double w = 1.0;
    uint32_t color = SAMPLE_POINT_NO_COLOR;
};

// A fixed-capacity series of chart points in insertion order.
class Tsamples_serie {
public:
    Tsamples_serie() = default;
    ~Tsamples_serie();
    Tsamples_serie(const Tsamples_serie&) = delete;
    Tsamples_serie& operator=(const Tsamples_serie&) = delete;

    // Frees the points: count and capacity 0.
    void clear();
    // clear, then room for n points (capacity stays 0 when it cannot be had).
    void setCapacity(unsigned n);
    // No points, keeping the room.
    void reset();
    unsigned count() const { return used; }
    unsigned capacity() const { return room; }
    // A full series ignores the point.
    void append(double x, double y, double w, uint32_t color);
    // Drops the oldest point.
    void removeFirst();
    // True (and out the default point) when index is not below count.
    bool getPoint(Tsample_point* out, unsigned index) const;
    bool setPoint(const Tsample_point* point, unsigned index);
    // All 0, then the extremes over the points; nothing for a null output.
    void getBounds(double* xmin, double* xmax, double* ymin, double* ymax) const;
    // dst := src's points as ((x - x0) * xscale, (y - y0) * yscale, w * xscale).
    static void transform(Tsamples_serie* dst, const Tsamples_serie* src, double x0, double xscale, double y0,
                          double yscale);
    void logPoint(const char* prefix, unsigned index) const;
    // Every point, or with more than five the first two, "...", the last two.
    void logSeries(const char* prefix) const;

private:
    unsigned used = 0;
    unsigned room = 0;
    Tsample_point* points = nullptr;
};
