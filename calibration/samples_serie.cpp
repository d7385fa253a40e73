#include "calibration/samples_serie.h"

#include <cstring>
#include <new>

#include "base/log.h"

Tsamples_serie::~Tsamples_serie()
{
    clear();
}

void Tsamples_serie::clear()
{
    delete[] points;
    points = nullptr;
    used = 0;
    room = 0;
}

void Tsamples_serie::setCapacity(unsigned n)
{
    clear();
    if (n == 0)
        return;
    points = new (std::nothrow) Tsample_point[n];
    if (points)
        room = n;
}

void Tsamples_serie::reset()
{
    used = 0;
}

void Tsamples_serie::append(double x, double y, double w, uint32_t color)
{
    if (used >= room)
        return;
    points[used++] = Tsample_point{x, y, w, color};
}

void Tsamples_serie::removeFirst()
{
    if (used == 0)
        return;
    std::memmove(points, points + 1, (used - 1) * sizeof(Tsample_point));
    --used;
}

bool Tsamples_serie::getPoint(Tsample_point* out, unsigned index) const
{
    if (!out)
        return true;
    *out = Tsample_point();
    if (index >= used)
        return true;
    *out = points[index];
    return false;
}

bool Tsamples_serie::setPoint(const Tsample_point* point, unsigned index)
{
    if (!point || index >= used)
        return true;
    points[index] = *point;
    return false;
}

void Tsamples_serie::getBounds(double* xmin, double* xmax, double* ymin, double* ymax) const
{
    if (!xmin || !xmax || !ymin || !ymax || !points)
        return;
    *xmin = *xmax = *ymin = *ymax = 0;
    for (unsigned i = 0; i < used; ++i) {
        const Tsample_point& p = points[i];
        if (i == 0 || p.x < *xmin)
            *xmin = p.x;
        if (i == 0 || p.x > *xmax)
            *xmax = p.x;
        if (i == 0 || p.y < *ymin)
            *ymin = p.y;
        if (i == 0 || p.y > *ymax)
            *ymax = p.y;
    }
}

void Tsamples_serie::transform(Tsamples_serie* dst, const Tsamples_serie* src, double x0, double xscale, double y0,
                               double yscale)
{
    if (!dst || !src || dst == src)
        return;
    dst->setCapacity(src->count());
    for (unsigned i = 0; i < src->count(); ++i) {
        const Tsample_point& p = src->points[i];
        dst->append((p.x - x0) * xscale, (p.y - y0) * yscale, p.w * xscale, p.color);
    }
}

void Tsamples_serie::logPoint(const char* prefix, unsigned index) const
{
    if (index >= used)
        return;
    const Tsample_point& p = points[index];
    log_printf("%s [%d] => [%0.3f:%0.3f]  w=%0.3f, color=x%x)", prefix ? prefix : "", static_cast<int>(index), p.x,
               p.y, p.w, p.color);
}

void Tsamples_serie::logSeries(const char* prefix) const
{
    if (!prefix)
        prefix = "";
    if (used <= 5) {
        for (unsigned i = 0; i < used; ++i)
            logPoint(prefix, i);
        return;
    }
    logPoint(prefix, 0);
    logPoint(prefix, 1);
    log_printf("%s ...", prefix);
    logPoint(prefix, used - 2);
    logPoint(prefix, used - 1);
}
